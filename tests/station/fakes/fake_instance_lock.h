#pragma once

#include "platform/single_instance.h"

namespace readerlink::station::testing {

// `heldElsewhere` plays another running station.
class FakeInstanceLock : public platform::SingleInstanceLock {
public:
    bool tryAcquire() override {
        ++attempts;
        return !heldElsewhere;
    }
    bool heldElsewhere = false;
    int attempts = 0;
};

} // namespace readerlink::station::testing
