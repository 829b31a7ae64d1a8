#include "reader/virtual/glass.h"

#include "common/text.h"
#include "reader/mrz/mrz_layout.h"
#include "reader/virtual/page_portrait.h"

#include <algorithm>
#include <system_error>

namespace readerlink::virtualreader {

namespace {
constexpr int kFreerun = 4;
}

Glass::Glass(std::shared_ptr<ReaderSession> session) : session_(std::move(session)) {}

std::optional<std::u16string> Glass::open() {
    const auto& folder = options().glassFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
        return fromUtf8(folder.string());
    try {
        std::weak_ptr<Glass> weak = weak_from_this();
        UiThread* dispatcher = options().dispatcher;
        watcher_ = platform::watchFolder(folder, [weak, dispatcher](platform::FolderChange change) {
            dispatcher->post(
                [weak, change] {
                    if (auto glass = weak.lock())
                        glass->onChange(change);
                },
                std::chrono::milliseconds(0));
        });
    } catch (const std::system_error& e) {
        return fromUtf8(e.what());
    }
    open_ = true;
    scan();
    return std::nullopt;
}

void Glass::close() {
    watcher_.reset();
    open_ = false;
    ++generation_;
    documents_.clear();
}

void Glass::shutdown() {
    watcher_.reset();
    sink_ = nullptr;
    leaving_ = nullptr;
    open_ = false;
    ++generation_;
}

void Glass::setFreerunMode(int mode) {
    const int was = freerun_;
    freerun_ = mode;
    if (mode != kFreerun)
        ++generation_;
    else if (was != kFreerun && !documents_.empty())
        startSequence();
}

void Glass::diagnose(const std::u16string& line) const {
    if (options().diagnostics)
        options().diagnostics(line);
}

bool Glass::announcing() const {
    return open_ && freerun_ == kFreerun;
}

void Glass::startSequence() {
    const auto generation = ++generation_;
    if (announcing())
        postStatus(generation, 1, std::chrono::milliseconds(0));
}

void Glass::announceEmptyGlass() {
    const auto generation = ++generation_;
    if (announcing())
        postStatus(generation, 0, std::chrono::milliseconds(0));
}

void Glass::postStatus(std::uint64_t generation, int status, std::chrono::milliseconds delay) {
    std::weak_ptr<Glass> weak = weak_from_this();
    options().dispatcher->post(
        [weak, generation, status] {
            if (auto glass = weak.lock())
                glass->statusDue(generation, status);
        },
        delay);
}

void Glass::statusDue(std::uint64_t generation, int status) {
    if (generation != generation_ || !announcing())
        return;
    // The next status is queued before this one is raised: the handler of
    // status 4 runs a whole read.
    if (status == 1)
        postStatus(generation, 2, options().statusGap);
    else if (status == 2)
        postStatus(generation, 4, options().statusGap);
    if (sink_)
        sink_->OnTestDocEvent(status);
}

void Glass::onChange(const platform::FolderChange& change) {
    if (!open_)
        return;
    switch (change.kind) {
    case platform::FolderChange::Kind::Landed:
        landed(change.name);
        break;
    case platform::FolderChange::Kind::Left:
        left(change.name);
        break;
    case platform::FolderChange::Kind::Rescan:
        reconcile();
        break;
    case platform::FolderChange::Kind::FolderGone:
        watcher_.reset();
        diagnose(u"Virtual reader: the glass folder is gone: " +
                 fromUtf8(options().glassFolder.string()));
        if (leaving_)
            leaving_(nullptr);
        if (!documents_.empty()) {
            documents_.clear();
            announceEmptyGlass();
        }
        break;
    }
}

bool Glass::takePage(const std::filesystem::path& path, LaidDocument& doc) const {
    const auto name = fromUtf8(path.filename().string());
    if (!options().pageRecogniser) {
        diagnose(u"Virtual reader: page image ignored, this build reads no page images: " + name);
        return false;
    }
    const auto scan = options().pageRecogniser(path);
    if (!scan || !scan->page) {
        diagnose(u"Virtual reader: page image unreadable: " + name);
        return false;
    }
    doc.specimen.file = path;
    doc.specimen.description = path.filename().string();
    // The scanner gives one picture; the infrared page is the same grey.
    doc.white = scan->page;
    doc.infra = scan->page;
    doc.pagesLoaded = true;
    switch (scan->outcome) {
    case PageScan::Outcome::Mrz:
        doc.specimen.mrz = scan->lines;
        doc.portrait = portraitOfPage(*scan, mrz::detectLayout(scan->lines));
        break;
    case PageScan::Outcome::SeveralDocuments:
        // Which document is meant is unknown: no MRZ is read from the page.
        diagnose(u"Virtual reader: more than one document on the page: " + name);
        break;
    case PageScan::Outcome::NoMrz:
        break;
    }
    return true;
}

void Glass::landed(const std::string& name) {
    const bool page = isPageImageName(name);
    if (!page && !isSpecimenName(name))
        return;
    const auto path = options().glassFolder / name;
    const auto identity = identityOf(path);
    if (!identity)
        return;
    const auto existing = std::find_if(documents_.begin(), documents_.end(),
                                       [&](const auto& doc) { return doc->name == name; });
    if (existing != documents_.end() && (*existing)->identity == *identity)
        return;
    auto doc = std::make_shared<LaidDocument>();
    if (page) {
        if (!takePage(path, *doc)) {
            left(name);
            return;
        }
    } else {
        try {
            doc->specimen = loadSpecimen(path, options().specimensFolder);
        } catch (const SpecimenError& e) {
            diagnose(u"Virtual reader: specimen ignored: " + fromUtf8(e.what()));
            left(name);
            return;
        }
    }
    doc->name = name;
    doc->identity = *identity;
    doc->mrzUnreadableLeft = doc->specimen.mrzUnreadableCalls;
    doc->throwsLeft = doc->specimen.throwingCalls;
    if (existing != documents_.end())
        documents_.erase(existing);
    documents_.push_back(std::move(doc));
    startSequence();
}

void Glass::left(const std::string& name) {
    const auto it = std::find_if(documents_.begin(), documents_.end(),
                                 [&](const auto& doc) { return doc->name == name; });
    if (it == documents_.end())
        return;
    const bool wasTop = std::next(it) == documents_.end();
    if (leaving_)
        leaving_(it->get());
    documents_.erase(it);
    if (!wasTop)
        return;
    if (documents_.empty())
        announceEmptyGlass();
    else
        startSequence();
}

std::vector<std::string> Glass::specimenFilesOnGlass() const {
    std::vector<std::pair<std::filesystem::file_time_type, std::string>> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(options().glassFolder, error)) {
        const auto name = entry.path().filename().string();
        std::error_code ignored;
        if ((isSpecimenName(name) || isPageImageName(name)) && entry.is_regular_file(ignored))
            found.emplace_back(entry.last_write_time(ignored), name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& [time, name] : found)
        names.push_back(std::move(name));
    return names;
}

void Glass::scan() {
    for (const auto& name : specimenFilesOnGlass())
        landed(name);
}

void Glass::reconcile() {
    const auto present = specimenFilesOnGlass();
    std::vector<std::string> gone;
    for (const auto& doc : documents_)
        if (std::find(present.begin(), present.end(), doc->name) == present.end())
            gone.push_back(doc->name);
    for (const auto& name : gone)
        left(name);
    for (const auto& name : present)
        landed(name);
}

} // namespace readerlink::virtualreader
