#include "common/text.h"
#include "delivery/host_data_record.h"
#include "delivery/send_data_to_app.h"
#include "support/delivery_fakes.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace readerlink {
namespace {

using namespace std::chrono_literals;
using testing::FakeTarget;
using testing::LogLine;
using testing::RecordingKeystrokes;
using testing::RecordingLog;

// A host that holds every delivery until the test opens the gate (or a
// generous bound passes, so a fault shows as a failure, not a hang).
class GatedHostLink : public HostLink {
public:
    HostSendResult send(WindowId, const HostRecordBytes& record) override {
        std::unique_lock lock(mutex_);
        const auto decoded = decodeHostDataRecord(record);
        const auto bytes = decoded->textBytes();
        texts_.emplace_back(bytes.begin(), bytes.end());
        changed_.notify_all();
        changed_.wait_for(lock, 10s, [&] { return open_; });
        const HostSendResult result = results_.empty() ? HostSendResult{} : results_.front();
        if (!results_.empty())
            results_.pop_front();
        ++finished_;
        return result;
    }
    void script(std::deque<HostSendResult> results) { results_ = std::move(results); }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool waitUntilReached(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return texts_.size() >= count; });
    }
    std::vector<std::string> texts() {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    int finished() {
        std::lock_guard lock(mutex_);
        return finished_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    std::deque<HostSendResult> results_;
    std::vector<std::string> texts_;
    int finished_ = 0;
};

// The window's thread: tasks wait until the test runs them.
class QueuedUiThread : public UiThread {
public:
    using UiThread::post;
    void post(std::function<void()> task, std::chrono::milliseconds) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        changed_.notify_all();
    }
    bool waitForTasks(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return tasks_.size() >= count; });
    }
    void runAll() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (tasks_.empty())
                    return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
};

constexpr int kOrlam = 0;
constexpr int kDirect = 1;

class HostCourierTest : public ::testing::Test {
protected:
    std::u16string scanData;
    FakeTarget target;
    RecordingKeystrokes keys;
    GatedHostLink host;
    RecordingLog log;
    QueuedUiThread ui;
};

// A read hands over three texts while the host hangs: each call returns at
// once, typing is not held up, and once the host moves the outcomes are
// logged in the order of the texts.
TEST_F(HostCourierTest, HungHostDoesNotHoldTheCallerAndOrderIsKept) {
    host.script({{HostDelivery::NoAnswer}, {HostDelivery::Answered, 1}, {HostDelivery::Closed}});
    DeliveryDispatcher dispatcher(scanData, target, std::ref(keys), host, log, ui);

    for (const char16_t* text : {u"FIRST", u"SECOND", u"THIRD"}) {
        scanData = text;
        dispatcher.SendDataToApp();
    }
    // ScanData is taken at the call; what it holds later does not count.
    scanData = u"LATER";
    target.application = kDirect;
    dispatcher.SendDataToApp();

    EXPECT_EQ(host.finished(), 0) << "the caller waited for the host";
    EXPECT_EQ(keys.calls.size(), 1u);
    EXPECT_TRUE(log.lines.empty());

    host.open();
    ASSERT_TRUE(ui.waitForTasks(3));
    ui.runAll();
    EXPECT_EQ(host.texts(), (std::vector<std::string>{"FIRST", "SECOND", "THIRD"}));
    EXPECT_EQ(log.lines,
              (std::vector<LogLine>{
                  {u"Host application did not answer in time, data not confirmed: FIRST", false},
                  {u"Data sent SECOND", false},
                  {u"Host application closed the connection without answering, data not confirmed: "
                   u"THIRD",
                   false}}));
}

// Closing while texts wait: each is still delivered, in order, and logged
// before the dispatcher is gone; log tasks left for the window then do nothing.
TEST_F(HostCourierTest, ClosingDeliversAndLogsWhatIsWaiting) {
    host.script({{HostDelivery::Answered, 1}, {HostDelivery::NoHost}});
    target.application = kOrlam;
    {
        DeliveryDispatcher dispatcher(scanData, target, std::ref(keys), host, log, ui);
        scanData = u"ONE";
        dispatcher.SendDataToApp();
        scanData = u"TWO";
        dispatcher.SendDataToApp();
        ASSERT_TRUE(host.waitUntilReached(1));
        host.open();
    }
    EXPECT_EQ(host.texts(), (std::vector<std::string>{"ONE", "TWO"}));
    const std::vector<LogLine> expected{{u"Data sent ONE", false},
                                        {u"No host application found, data not sent: TWO", false}};
    EXPECT_EQ(log.lines, expected);
    ui.runAll();
    EXPECT_EQ(log.lines, expected);
}

} // namespace
} // namespace readerlink
