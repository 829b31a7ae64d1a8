#pragma once

// The virtual reader's glass: the documents lying on it (a folder watched for
// specimen files and bare page images, the last one laid on top) and the document statuses raised
// as one lands, settles or is taken away.

#include "platform/folder_watcher.h"
#include "reader/sdk/pr_api.h"
#include "reader/virtual/laid_document.h"
#include "reader/virtual/reader_session.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace readerlink::virtualreader {

class Glass : public std::enable_shared_from_this<Glass> {
public:
    explicit Glass(std::shared_ptr<ReaderSession> session);

    // Watches the glass folder (made when missing) and takes in what lies
    // there; the reason when it cannot.
    std::optional<std::u16string> open();
    // Stops watching and forgets every document; no status is due any more.
    void close();
    // As close, and no event reaches the subscriber any more.
    void shutdown();
    bool isOpen() const { return open_; }

    // The document on top, or null.
    std::shared_ptr<LaidDocument> top() const {
        return documents_.empty() ? nullptr : documents_.back();
    }

    int freerunMode() const { return freerun_; }
    void setFreerunMode(int mode);

    // Receives the statuses (and the device's own events).
    void subscribe(sdk::PrApiEvents* sink) { sink_ = sink; }
    sdk::PrApiEvents* sink() const { return sink_; }

    // Told of each document taken off the glass (null: all of them at once).
    void onLeaving(std::function<void(const LaidDocument*)> leaving) {
        leaving_ = std::move(leaving);
    }

private:
    const VirtualReaderOptions& options() const { return session_->options; }
    void diagnose(const std::u16string& line) const;
    bool announcing() const;
    void startSequence();
    void announceEmptyGlass();
    void postStatus(std::uint64_t generation, int status, std::chrono::milliseconds delay);
    void statusDue(std::uint64_t generation, int status);
    void onChange(const platform::FolderChange& change);
    void landed(const std::string& name);
    // Fills `doc` from a bare page image; false (and a diagnostic) when it
    // cannot be read.
    bool takePage(const std::filesystem::path& path, LaidDocument& doc) const;
    void left(const std::string& name);
    std::vector<std::string> specimenFilesOnGlass() const;
    void scan();
    void reconcile();

    std::shared_ptr<ReaderSession> session_;
    std::unique_ptr<platform::FolderWatcher> watcher_;
    sdk::PrApiEvents* sink_ = nullptr;
    std::function<void(const LaidDocument*)> leaving_;
    bool open_ = false;
    int freerun_ = 0;
    std::uint64_t generation_ = 0;
    std::vector<std::shared_ptr<LaidDocument>> documents_; // the top document is the last
};

} // namespace readerlink::virtualreader
