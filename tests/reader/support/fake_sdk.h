#pragma once

// A scripted stand-in for the reader SDK: each test sets up the documents the
// reader recognises and what its chip answers, runs a read, and looks at the
// calls made and the files written. Faults come from the decorator in
// faulty_controls.h, put on top of its control factory.

#include "reader/sdk/control_factory.h"
#include "reader/sdk/reader_controls.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace readerlink::fake {

struct FakeDocument {
    bool valid = true;
    std::map<int, std::u16string> fields;
    std::map<int, int> statuses;
    std::optional<sdk::Variant> fileMask; // answer to FieldProperty(4195303, 2)
    bool portrait = false;                // an image for ImViz / ImRF
};

class FakeReader {
public:
    // --- script ---
    std::map<sdk::DocHandle, FakeDocument> documents; // handle 0 is never valid
    std::vector<sdk::DocHandle> recognizeResults;     // per call; the last repeats
    std::vector<sdk::DocHandle> getMrzResults;        // per call; the last repeats
    sdk::DocHandle resolveMrzTextResult = 0;

    int cardCount = 0;
    bool cardFound = true;
    bool connects = true;
    bool bacRequired = false;                // chip files refused until BAC
    int errorBeforeBac = 13;                 // error code of a refused read
    std::u16string bacMrz;                   // the MRZ lines (CR LF) the chip's keys come from
    std::map<int, sdk::DocHandle> chipFiles; // file id -> document it resolves to
    std::set<int> unreadableFiles;
    std::map<int, std::u16string> errorTexts = {{0, u"OK"}};
    sdk::SdkBool useDeviceResult = sdk::kSdkTrue;
    std::set<std::string> failingSaves; // views ("ImRF", ...) whose SaveImage writes nothing
    int docErrorCode = 0;
    std::u16string docErrorText = u"No data";

    // --- observed ---
    std::vector<std::string> calls;   // also what a RecordingWindow is told
    sdk::PrApiEvents* sink = nullptr; // the latest subscriber
    std::vector<std::u16string> bacAttempts;
    std::vector<std::u16string> savedFiles; // written by SaveImage
    int captures = 0;
    bool bacDone = false;
    bool connected = false;
    int errorCode = 0;
    sdk::DocHandle selected = 0;

    // Makes controls over this reader; the views in the order the connection
    // step asks for them: ImViz, ImRF, Img, InfraImg.
    std::unique_ptr<sdk::ControlFactory> makeFactory();
    // A fresh set of six controls over this reader.
    sdk::ReaderControls makeControls();

    // --- used by the controls ---
    void called(const std::string& call);
    const FakeDocument* selectedDocument() const;
    sdk::DocHandle next(std::vector<sdk::DocHandle>& results, std::size_t& index);
    std::size_t recognizeIndex = 0;
    std::size_t getMrzIndex = 0;
};

// Six controls from `factory`, made in the connection step's order.
sdk::ReaderControls makeControls(sdk::ControlFactory& factory);

// Chip file bytes carry the handle they resolve to.
sdk::Variant chipBytes(sdk::DocHandle handle);

} // namespace readerlink::fake
