#include "reader/read_workflow.h"

#include "common/error.h"
#include "common/text.h"
#include "reader/error_message.h"
#include "reader/field_status.h"
#include "reader/mrz_text.h"

#include <cstdint>
#include <exception>

namespace readerlink::reader {

namespace {

constexpr int kChipCardNumber = 0;
constexpr int kPage = 0;
constexpr int kChipMrzLight = 2;
constexpr int kMrzType = 0;
constexpr int kLightListIndex = 1;
constexpr int kChipFileMaskFile = 0;
constexpr int kChipMrzFile = 1;
constexpr int kChipFaceFile = 2;
constexpr int kChipErrorNeedsBac = 13;

struct StatusText {
    int status;
    std::u16string_view text;
};

// Warning and error statuses of MRZ line 2 that only archive the page.
constexpr StatusText kSaveOnlyStatuses[] = {
    {100, u"Warning MRZ2"},
    {101, u"Warning DATA INTEGRITY MRZ2"},
    {102, u"Warning OCR MRZ2"},
    {200, u"Error MRZ2"},
    {201, u"Error ILLEGAL_CHAR MRZ2"},
    {202, u"Error ILLEGAL CHECKSUM MRZ2"},
};
constexpr int kStatusClean = 0;
constexpr int kStatusChecksum = 203;

std::uint32_t fileMaskOf(const sdk::Variant& data) {
    switch (data.kind) {
    case sdk::Variant::Kind::Empty:
        return 0;
    case sdk::Variant::Kind::Integer:
        return static_cast<std::uint32_t>(data.integer & 0xFFFFFFFF);
    case sdk::Variant::Kind::Bytes:
        break;
    }
    throw Error(u"Invalid variant type conversion");
}

std::u16string mrzOfFields(sdk::PrDoc& doc) {
    return doc.Field(field::kMrzLine1) + u"\r\n" + doc.Field(field::kMrzLine2) + u"\r\n" +
           doc.Field(field::kMrzLine3);
}

} // namespace

ReadWorkflow::ReadWorkflow(ReadContext& context, ImageArchive& archive, ReadWorkflowOptions options)
    : context_(context), archive_(archive), options_(options) {}

void ReadWorkflow::pump() {
    context_.messageLoop.processMessages();
}

void ReadWorkflow::DeliverMrz(std::u16string_view text) {
    std::u16string mrz = mrzForDelivery(text);
    // An empty MRZ would reach the target application as a read that gave
    // nothing; better none at all.
    if (mrz.empty()) {
        context_.log.log(u"No MRZ to send");
        return;
    }
    context_.scanData = std::move(mrz);
    context_.sendDataToApp();
}

void ReadWorkflow::ARH_CaptureAndRead() {
    const auto& c = context_.controls;
    if (!c.prApi || !c.prDoc || !c.img || !c.infraImg || !c.imViz || !c.imRF) {
        context_.log.logStatus(u"Reader is not connected");
        return;
    }
    int restarts = 0;
    while (runPass() == PassEnd::Restart) {
        if (restarts == options_.maxConsecutiveRestarts) {
            context_.log.logStatus(u"Read stopped: still no MRZ after attempt " +
                                   toDecimal(restarts + 1));
            return;
        }
        ++restarts;
    }
}

ReadWorkflow::PassEnd ReadWorkflow::runPass() {
    auto& controls = context_.controls;
    auto& window = context_.window;

    window.setErrorLabel(u"Working", LabelColour::Black);
    PassState pass;
    window.setIsPassport(false);
    pump();

    control(controls.imViz).ClearImage();
    control(controls.imRF).ClearImage();
    pass.mrzText.clear();

    if (!ReadChip(pass))
        control(controls.prApi).Capture();

    auto& doc = control(controls.prDoc);
    doc.SetDocument(control(controls.prApi).Recognize(kPage));
    if (!sdk::isTrue(doc.Valid())) {
        context_.log.log(u"No data found!");
        return PassEnd::Done;
    }

    const int status = doc.FieldStatus(field::kMrzLine2);
    if (status == kStatusClean)
        return cleanRead(pass);
    if (status == kStatusChecksum)
        return checksumRead(pass);
    for (const auto& entry : kSaveOnlyStatuses) {
        if (entry.status == status) {
            window.setStatusBarText(entry.text);
            context_.log.log(window.statusBarText());
            archive_.SaveStatusImage();
            return PassEnd::Done;
        }
    }
    return PassEnd::Done; // a status of no known meaning: nothing to act on
}

void ReadWorkflow::logLineDump() {
    auto& doc = control(context_.controls.prDoc);
    for (int i = 1; i <= 3; ++i) {
        const std::u16string line = doc.Field(1000 + i);
        if (line.empty())
            continue;
        context_.log.log(u"Line " + toDecimal(i) + u": " + line + u"\t[" +
                         statusWord(doc.FieldStatus(1000 + i)) + u"]");
    }
}

ReadWorkflow::PassEnd ReadWorkflow::cleanRead(PassState& pass) {
    auto& log = context_.log;

    log.log(context_.window.statusBarText());

    std::u16string record = u"@";
    bool anyField = false;
    {
        auto& doc = control(context_.controls.prDoc);
        for (std::size_t k = 0; k < kRecordFieldCodes.size(); ++k) {
            const int code = kRecordFieldCodes[k];
            const std::u16string value = doc.Field(code);
            if (!value.empty()) {
                anyField = true;
                log.log(u"Field (" + toDecimal(static_cast<long long>(k + 1)) + u"): " + value +
                        u"\t[" + statusWord(doc.FieldStatus(code)) + u"]");
            }
            record += u"#" + value;
        }
    }
    // A record of empty fields carries nothing and may clear the host's form.
    log.log(anyField ? record : std::u16string(kEmptyRecordNotSent));
    log.log(u"");
    log.log(u"Done.");
    if (anyField) {
        context_.scanData = record;
        context_.sendDataToApp();
    }

    if (pass.mrzText.empty() && !fetchPageMrz(pass, true))
        return PassEnd::Restart;

    DocumentKind kind = DocumentKind::Other;
    if (!pass.mrzText.empty() && pass.mrzText.front() == u'P') {
        context_.window.setIsPassport(true);
        log.log(u"Is a Passport");
        kind = DocumentKind::Passport;
    } else if (!pass.mrzText.empty() && pass.mrzText.front() == u'V') {
        log.log(u"Is a Visa");
        kind = DocumentKind::Visa;
    }
    archive_.SavePageImages(kind);
    deliverPassMrz(pass);
    archive_.SavePagePortrait(pass);
    return PassEnd::Done;
}

ReadWorkflow::PassEnd ReadWorkflow::checksumRead(PassState& pass) {
    auto& log = context_.log;

    context_.window.setStatusBarText(u"Error CHECKSUM MRZ2");
    log.log(context_.window.statusBarText());

    // Whatever the chip gave is replaced: the page is what failed its checksum.
    if (!fetchPageMrz(pass, false))
        return PassEnd::Restart;

    // A checksum error leaves the document unproven: even a "P" is archived
    // with the other documents and never marked as a passport.
    DocumentKind kind = DocumentKind::Other;
    if (!pass.mrzText.empty() && pass.mrzText.front() == u'V') {
        log.log(u"Is a Visa");
        kind = DocumentKind::Visa;
    }
    archive_.SaveImagesAndNotify(kind);
    deliverPassMrz(pass);
    return PassEnd::Done;
}

// The MRZ fetched from the page into the pass; false when the pass must
// restart. The clean read also insists on two non-blank lines.
bool ReadWorkflow::fetchPageMrz(PassState& pass, bool requireTwoLines) {
    auto& log = context_.log;
    auto& api = control(context_.controls.prApi);
    auto& doc = control(context_.controls.prDoc);
    const int light = api.LightListItem(kLightListIndex);
    doc.SetDocument(api.GetMrz(kPage, light, kMrzType));
    if (!sdk::isTrue(doc.Valid())) {
        log.log(u"No MRZ found!");
        return false;
    }
    logLineDump();
    if (requireTwoLines && (trimControls(doc.Field(field::kMrzLine1)).empty() ||
                            trimControls(doc.Field(field::kMrzLine2)).empty())) {
        log.log(u"Retry read");
        return false;
    }
    pass.mrzText = mrzOfFields(doc);
    log.log(u"MRZ is : " + pass.mrzText);
    return true;
}

void ReadWorkflow::deliverPassMrz(const PassState& pass) {
    DeliverMrz(pass.mrzText);
    pump();
    context_.log.log(u"");
    context_.log.log(u"MRZ Done.");
}

bool ReadWorkflow::ReadChip(PassState& pass) {
    auto& log = context_.log;
    auto& controls = context_.controls;
    // Re-read at each use: the message loop runs between the steps.
    auto api = [&]() -> sdk::PrApi& { return control(controls.prApi); };
    auto doc = [&]() -> sdk::PrDoc& { return control(controls.prDoc); };

    log.log(u"Get RFID");
    if (api().GetRfidCardList() <= 0)
        return false;
    std::u16string cardId;
    if (!sdk::isTrue(api().GetRfidCard(kChipCardNumber, cardId)))
        return false;
    if (!sdk::isTrue(api().ConnectRfidCard(cardId)))
        return false;

    log.log(u"Reading RFID data ...");
    pump();

    sdk::Variant chipData; // one variable for every file of the chip
    try {
        api().GetRfidFileB(cardId, kChipFileMaskFile, chipData);
        doc().SetDocument(api().ResolveRfidData(chipData));
    } catch (const std::exception& e) {
        log.log(messageOf(e));
        log.log(u"Capture 1");
    }
    log.log(reader::GetErrorMsg(api()));
    log.log(api().GetErrorCode() == kChipErrorNeedsBac ? u"Making BAC ..." : u"Trying BAC ...");
    pump();

    api().Capture();
    doc().SetDocument(api().GetMrz(kPage, kChipMrzLight, kMrzType));
    const std::u16string line1 = doc().Field(field::kMrzLine1);
    const std::u16string line2 = doc().Field(field::kMrzLine2);
    std::u16string bacLines = line1 + u"\r\n" + line2 + u"\r\n" + doc().Field(field::kMrzLine3);
    // Only a whole page MRZ goes out ahead of the chip: a line the reader
    // could not give would reach the target application as a wrong MRZ.
    if (!trimControls(line1).empty() && !trimControls(line2).empty() && sdk::isTrue(doc().Valid()))
        DeliverMrz(bacLines);
    else
        log.log(u"Page MRZ not read: " + reader::GetErrorMsg(api()));

    if (!sdk::isTrue(api().MakeBAC(cardId, bacLines))) {
        log.log(reader::GetErrorMsg(api()));
        pump();
    } else {
        pump();
        try {
            if (sdk::isTrue(api().GetRfidFileB(cardId, kChipFileMaskFile, chipData)))
                doc().SetDocument(api().ResolveRfidData(chipData));
            else
                log.log(reader::GetErrorMsg(api()));
        } catch (const std::exception& e) {
            log.log(messageOf(e));
            doc().SetDocument(api().ResolveRfidData(chipData));
        }
    }

    try {
        sdk::Variant maskData;
        if (sdk::isTrue(doc().Valid()) &&
            sdk::isTrue(
                doc().FieldProperty(field::kChipFileMask, field::kFileMaskProperty, maskData))) {
            const std::uint32_t mask = fileMaskOf(maskData);
            for (int file = 0; file < 32; ++file) {
                if ((mask & (std::uint32_t{1} << file)) == 0)
                    continue;
                if (!sdk::isTrue(api().GetRfidFileB(cardId, file, chipData)))
                    continue;
                doc().SetDocument(api().ResolveRfidData(chipData));
                if (!sdk::isTrue(doc().Valid()))
                    continue;
                if (file == kChipMrzFile)
                    handleChipMrzFile(pass, bacLines);
                else if (file == kChipFaceFile)
                    handleChipFaceFile(pass);
            }
        } else {
            log.log(reader::GetErrorMsg(doc()));
        }
        api().DisconnectRfidCard(cardId);
    } catch (const std::exception& e) {
        // The page is captured anew so that recognition still has an image;
        // the chip is left as it is.
        log.log(messageOf(e));
        log.log(u"Capture");
        api().Capture();
    }
    return true;
}

void ReadWorkflow::handleChipMrzFile(PassState& pass, std::u16string& bacLines) {
    auto& doc = control(context_.controls.prDoc);
    const std::u16string chipMrz = doc.Field(field::kChipMrz);
    // An MRZ file that gives no characters is no MRZ: the page's is read
    // instead of delivering blank lines.
    if (trimControls(chipMrz).empty()) {
        context_.log.log(u"Chip MRZ is empty");
        return;
    }
    pass.mrzText = chipMrzText(chipMrz);
    bacLines = chipMrz;
    doc.SetDocument(control(context_.controls.prApi).ResolveMrzText(bacLines));
}

void ReadWorkflow::handleChipFaceFile(PassState& pass) {
    auto& imRF = control(context_.controls.imRF);
    imRF.UpdateImage();
    if (imRF.XSize() <= 0)
        return;
    pass.mrzLines = splitLines(pass.mrzText);
    context_.log.log(pass.mrzText);
    if (!pass.mrzText.empty() && pass.mrzText.front() == u'P') {
        context_.window.setIsPassport(true);
        context_.log.log(u"Is a Passport");
    }
    archive_.SaveChipPortrait(pass);
}

} // namespace readerlink::reader
