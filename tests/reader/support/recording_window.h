#pragma once

// The main window as the reader subsystem sees it, plus its log, dialogs and
// message loop, writing what it is told into a journal (the fake reader's call
// list, so a test sees the order of everything).

#include "common/activity_log.h"
#include "common/dialogs.h"
#include "common/error.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "reader/reader_window.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace readerlink::reader::testing {

using Journal = std::vector<std::string>;

inline bool contains(const Journal& journal, const std::string& line) {
    return std::find(journal.begin(), journal.end(), line) != journal.end();
}

inline bool containsPrefix(const Journal& journal, const std::string& prefix) {
    return std::any_of(journal.begin(), journal.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

class RecordingWindow : public ReaderWindow,
                        public ActivityLog,
                        public Dialogs,
                        public MessageLoop {
public:
    explicit RecordingWindow(Journal& journal) : j_(journal) {}

    std::u16string statusBarText() const override { return statusBar; }
    void setStatusBarText(std::u16string_view text) override {
        statusBar = text;
        j_.push_back("status bar: " + toUtf8(text));
    }
    void setStatusLabel(std::u16string_view text) override {
        lblStatus = text;
        j_.push_back("lblStatus: " + toUtf8(text));
    }
    void setErrorLabel(std::u16string_view text, LabelColour) override {
        j_.push_back("lblError: " + toUtf8(text));
    }
    int targetApplication() const override { return 0; }
    std::u16string pictureFolder() const override { return {}; }
    bool isPassport() const override { return passport; }
    void setIsPassport(bool value) override { passport = value; }
    void placeImageView(ImagePage page, sdk::GxImage& view) override {
        if (placingThrows)
            throw Error(u"cannot place");
        placed[page == ImagePage::Image ? 0 : 1] = &view;
        j_.push_back(std::string("place ") + (page == ImagePage::Image ? "Image" : "Infra"));
    }
    void removeImageView(ImagePage page) override {
        placed[page == ImagePage::Image ? 0 : 1] = nullptr;
        j_.push_back(std::string("remove ") + (page == ImagePage::Image ? "Image" : "Infra"));
    }
    void endApplication() override { j_.push_back("end application"); }

    void log(std::u16string_view line) override { j_.push_back("log: " + toUtf8(line)); }
    void logStatus(std::u16string_view line) override {
        lblStatus = line;
        j_.push_back("logStatus: " + toUtf8(line));
    }

    void showMessage(std::u16string_view text) override {
        j_.push_back("message: " + toUtf8(text));
    }
    void showError(std::u16string_view text) override {
        j_.push_back("error box: " + toUtf8(text));
    }
    std::optional<std::u16string> inputBox(std::u16string_view, std::u16string_view,
                                           std::u16string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(std::u16string_view, const std::string&) override {
        return std::nullopt;
    }

    void processMessages() override {
        j_.push_back("process messages");
        if (onProcessMessages)
            onProcessMessages();
    }

    std::function<void()> onProcessMessages;
    bool placingThrows = false;
    sdk::GxImage* placed[2] = {nullptr, nullptr};
    std::u16string statusBar;
    std::u16string lblStatus;
    bool passport = false;

private:
    Journal& j_;
};

} // namespace readerlink::reader::testing
