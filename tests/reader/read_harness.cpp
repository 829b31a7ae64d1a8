#include "read_harness.h"

#include <algorithm>
#include <cstdlib>

namespace readerlink::fake {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "readerlink-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempFolder::files() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
        if (entry.is_regular_file())
            out.push_back(std::filesystem::relative(entry.path(), path_).string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

ReadTest::ReadTest()
    : controls(makeControls(*factory)), context{station,
                                                station,
                                                station,
                                                controls,
                                                scanData,
                                                [this] {
                                                    deliveries.push_back(toUtf8(scanData));
                                                    reader.calls.push_back("Deliver " +
                                                                           toUtf8(scanData));
                                                }},
      archive(context, clock, converter), workflow(context, archive) {
    reader.calls.clear(); // the calls of the read only
    station.folder = fromUtf8(folder.path());
    station.onPump = [this] { reader.calls.push_back("Pump"); };
}

void ReadTest::layPage(const std::u16string& line1, const std::u16string& line2, int status,
                       std::map<int, std::u16string> recordFields) {
    FakeDocument page;
    page.fields = std::move(recordFields);
    page.fields[1001] = line1;
    page.fields[1002] = line2;
    page.statuses[1002] = status;
    page.portrait = true;
    reader.documents[kPageDoc] = page;
    reader.recognizeResults = {kPageDoc};

    FakeDocument mrz;
    mrz.fields = {{1001, line1}, {1002, line2}};
    reader.documents[kPageMrzDoc] = mrz;
    reader.getMrzResults = {kPageMrzDoc};
}

void ReadTest::addChip(const std::u16string& chipMrz, std::int64_t mask) {
    reader.cardCount = 1;
    FakeDocument com;
    sdk::Variant maskValue;
    maskValue.kind = sdk::Variant::Kind::Integer;
    maskValue.integer = mask;
    com.fileMask = maskValue;
    reader.documents[kChipComDoc] = com;
    FakeDocument dg1;
    dg1.fields[4259840] = chipMrz;
    reader.documents[kChipDg1Doc] = dg1;
    FakeDocument dg2;
    dg2.portrait = true;
    reader.documents[kChipDg2Doc] = dg2;
    reader.documents[kChipMrzDoc] = FakeDocument{};
    reader.resolveMrzTextResult = kChipMrzDoc;
    reader.chipFiles = {{0, kChipComDoc}, {1, kChipDg1Doc}, {2, kChipDg2Doc}};
    const FakeDocument& page = reader.documents.at(kPageMrzDoc);
    reader.bacMrz = page.fields.at(1001) + u"\r\n" + page.fields.at(1002) + u"\r\n";
}

std::vector<std::string> ReadTest::callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& call : reader.calls) {
        if (call.rfind(prefix, 0) == 0)
            out.push_back(call);
    }
    return out;
}

std::vector<std::string> ReadTest::logFrom(const std::string& firstLine) const {
    const auto& lines = station.logLines;
    const auto start = std::find(lines.begin(), lines.end(), firstLine);
    return {start, lines.end()};
}

} // namespace readerlink::fake
