// Asks for the single-instance lock of the name given and says what it got.
#include "platform/single_instance.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    auto lock = readerlink::platform::makeSingleInstanceLock(argv[1]);
    std::puts(lock->tryAcquire() ? "acquired" : "refused");
    return 0;
}
