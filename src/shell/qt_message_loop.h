#pragma once

#include <QCoreApplication>

#include "common/message_loop.h"

namespace readerlink::shell {

class QtMessageLoop : public MessageLoop {
public:
    void processMessages() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
};

} // namespace readerlink::shell
