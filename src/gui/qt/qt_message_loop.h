#pragma once

#include "common/message_loop.h"

#include <QCoreApplication>

namespace readerlink::gui {

class QtMessageLoop : public MessageLoop {
public:
    void processMessages() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
};

} // namespace readerlink::gui
