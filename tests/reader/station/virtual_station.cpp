#include "virtual_station.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "common/text.h"
#include "delivery/host_data_record.h"
#include "platform/linux/spawn_converter_launcher.h"

namespace readerlink::station_test {

namespace {

using namespace std::chrono_literals;
constexpr auto kGap = 250ms;

std::string latin1(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (auto b : bytes)
        out += toUtf8(std::u16string(1, static_cast<char16_t>(b)));
    return out;
}

} // namespace

fs::path specimenFile(const std::string& name) { return fs::path(READERLINK_SPECIMENS_DIR) / name; }

void StationWindow::setErrorLabel(std::u16string_view text, LabelColour) {
    if (text == u"Working")
        ++attempts;
}

void StationWindow::log(std::u16string_view line) {
    ++logCount;
    if (keepLog)
        logLines.push_back(toUtf8(line));
}

void StationWindow::logStatus(std::u16string_view line) {
    statusLabel = line;
    log(line);
}

void StationWindow::showMessage(std::u16string_view text) { messages.push_back("message: " + toUtf8(text)); }
void StationWindow::showError(std::u16string_view text) { messages.push_back("error: " + toUtf8(text)); }

void StationWindow::processMessages() { dispatcher_.runDue(); }

HostSendResult RecordingHost::send(WindowId, const HostRecordBytes& record) {
    const auto decoded = decodeHostDataRecord(record);
    if (!decoded)
        throw std::logic_error("the dispatcher sent a malformed record");
    if (window_.keepDeliveries)
        window_.deliveries.push_back({window_.attempts, "host: " + latin1(decoded->textBytes())});
    return {HostDelivery::Answered, 1};
}

VirtualStation::VirtualStation(StationOptions options) {
    std::string pattern = (fs::temp_directory_path() / "readerlink-station-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("no temp folder");
    root_ = pattern;
    fs::create_directories(root_ / "pictures");
    fs::create_directories(root_ / "program");
    fs::create_directories(root_ / "bin");

    // The stand-in converter: records its argument and its working folder.
    const auto stub = root_ / "bin" / "ImageConverter";
    {
        std::ofstream script(stub);
        script << "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$(pwd)\" >> '" << (root_ / "converter.log").string()
               << "'\n";
    }
    fs::permissions(stub, fs::perms::owner_all);
    if (const char* path = std::getenv("PATH"))
        savedPath_ = path;
    ::setenv("PATH", ((root_ / "bin").string() + ":" + savedPath_).c_str(), 1);

    beforeRead_ = std::move(options.beforeRead);
    window.application = options.application;
    window.keepLog = options.keepLog;
    window.keepDeliveries = options.keepDeliveries;
    window.pictures = fromUtf8((root_ / "pictures").string());

    virtualreader::VirtualReaderOptions reader;
    reader.specimensFolder = READERLINK_SPECIMENS_DIR;
    reader.glassFolder = root_ / "glass";
    reader.dispatcher = &dispatcher;
    reader.statusGap = kGap;
    reader.diagnostics = [this](const std::u16string& line) { window.log(line); };
    reader.pageRecogniser = std::move(options.pageRecogniser);
    if (options.configureReader)
        options.configureReader(reader);
    virtualFactory_ = std::make_unique<virtualreader::VirtualControlFactory>(std::move(reader));
    if (options.decorate)
        factory_ = options.decorate(*virtualFactory_);

    delivery_ = std::make_unique<DeliveryDispatcher>(
        scanData, window,
        [this](std::u16string_view keys, bool) {
            if (window.keepDeliveries)
                window.deliveries.push_back({window.attempts, "keys: " + toUtf8(keys)});
            return true;
        },
        host, window);
    realConverter_ = platform::makeConverterLauncher((root_ / "program").string());
    converter_.real = realConverter_.get();
    station_ = std::make_unique<reader::ReaderStation>(factory_ ? *factory_ : *virtualFactory_, window,
                                                       window, window, window);
    context_ = std::make_unique<reader::ReadContext>(reader::ReadContext{
        window, window, window, station_->controls(), scanData, [this] { delivery_->SendDataToApp(); }});
    archive_ = std::make_unique<reader::ImageArchive>(*context_, clock_, converter_);
    workflow_ = std::make_unique<reader::ReadWorkflow>(*context_, *archive_);
    station_->setReadWorkflow([this] {
        // The shell's default error display: what escapes a read is shown.
        try {
            workflow_->ARH_CaptureAndRead();
        } catch (const std::exception& e) {
            window.showError(messageOf(e));
        }
    });
}

VirtualStation::~VirtualStation() {
    station_.reset();
    // Converters still starting would find their folder gone.
    if (!converter_.launched.empty())
        converterRuns(converter_.launched.size());
    ::setenv("PATH", savedPath_.c_str(), 1);
    std::error_code ignored;
    fs::permissions(root_ / "pictures", fs::perms::owner_all, ignored);
    fs::remove_all(root_, ignored);
}

void VirtualStation::connect() {
    station_->BtnConnectClick();
    dispatcher.runDue();
}

void VirtualStation::lay(const fs::path& specimen) {
    const auto before = dispatcher.posted();
    fs::copy_file(specimen, glass() / specimen.filename(), fs::copy_options::overwrite_existing);
    if (!dispatcher.waitForPosts(before, 1))
        throw std::runtime_error("the glass watcher saw nothing");
    dispatcher.runDue();
}

void VirtualStation::take(const std::string& name) {
    const auto before = dispatcher.posted();
    fs::remove(glass() / name);
    if (!dispatcher.waitForPosts(before, 1))
        throw std::runtime_error("the glass watcher saw nothing");
    dispatcher.runDue();
}

void VirtualStation::settle() {
    dispatcher.advance(kGap);
    clearRecords(); // from here on: the read of status 4
    if (beforeRead_)
        beforeRead_();
    dispatcher.advance(kGap);
}

void VirtualStation::read(const fs::path& specimen) {
    lay(specimen);
    settle();
}

void VirtualStation::readAgain() {
    clearRecords();
    if (beforeRead_)
        beforeRead_();
    station_->BtnTriggerClick();
}

void VirtualStation::deliver(const std::u16string& text) {
    scanData = text;
    delivery_->SendDataToApp();
}

void VirtualStation::clearRecords() {
    window.logLines.clear();
    window.deliveries.clear();
    window.messages.clear();
    window.attempts = 0;
}

std::vector<std::string> VirtualStation::archiveFiles() const {
    std::vector<std::string> files;
    std::error_code ec;
    const auto base = root_ / "pictures";
    for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file())
            files.push_back(fs::relative(it->path(), base).string());
    std::sort(files.begin(), files.end());
    return files;
}

bool VirtualStation::CountingConverter::launchConverter(const std::u16string& path) {
    launched.push_back(toUtf8(path));
    return real->launchConverter(path);
}

std::vector<std::string> VirtualStation::converterRuns(std::size_t count) const {
    std::vector<std::string> calls;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    do {
        calls.clear();
        std::ifstream in(root_ / "converter.log");
        for (std::string line; std::getline(in, line);)
            calls.push_back(line);
        if (calls.size() >= count)
            break;
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return calls;
}

void VirtualStation::setPictureFolder(const std::string& folder) { window.pictures = fromUtf8(folder); }

std::string VirtualStation::pictureFolder() const { return toUtf8(window.pictures); }

} // namespace readerlink::station_test
