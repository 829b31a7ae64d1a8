#pragma once

// The read: the chip with BAC, the page capture and MRZ recognition, the
// decision on the result, the deliveries and the archive steps.

#include "reader/image_archive.h"
#include "reader/pass_state.h"
#include "reader/read_context.h"

#include <string>
#include <string_view>

namespace readerlink::reader {

// Logged in place of a field record whose fields are all empty.
inline constexpr std::u16string_view kEmptyRecordNotSent = u"No field read: field record not sent";

struct ReadWorkflowOptions {
    // A document whose MRZ is never found would otherwise capture again and
    // again; after this many restarts in a row the read stops.
    int maxConsecutiveRestarts = 5;
};

class ReadWorkflow {
public:
    ReadWorkflow(ReadContext& context, ImageArchive& archive, ReadWorkflowOptions options = {});

    // One read, restarts included, to its end. The read runs the message loop;
    // its caller guards against a second read started from there.
    // SDK and file errors outside the chip section pass on to the caller.
    void ARH_CaptureAndRead();

    // The chip section; true when a chip was connected and the page captured.
    bool ReadChip(PassState& pass);

    // Hands the text to the target application without blanks, CR or LF.
    void DeliverMrz(std::u16string_view text);

private:
    enum class PassEnd { Done, Restart };
    PassEnd runPass();
    PassEnd cleanRead(PassState& pass);
    PassEnd checksumRead(PassState& pass);
    bool fetchPageMrz(PassState& pass, bool requireTwoLines);
    void deliverPassMrz(const PassState& pass);
    void logLineDump();
    void handleChipMrzFile(PassState& pass, std::u16string& bacLines);
    void handleChipFaceFile(PassState& pass);
    void pump();

    ReadContext& context_;
    ImageArchive& archive_;
    ReadWorkflowOptions options_;
};

} // namespace readerlink::reader
