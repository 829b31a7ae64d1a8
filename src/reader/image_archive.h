#pragma once

// The document image archive under the picture folder: page images sorted by
// document kind, portraits in the folder itself, and the notifications that
// tell the target application images are ready.

#include "reader/converter_launcher.h"
#include "reader/local_clock.h"
#include "reader/pass_state.h"
#include "reader/read_context.h"

#include <string>
#include <string_view>

namespace readerlink::reader {

enum class DocumentKind { Passport, Visa, Other };

// Sub-folders of the picture folder, used as typed: the picture folder gets
// no separator added or removed.
inline constexpr std::u16string_view kPassportFolder = u"/Passport/";
inline constexpr std::u16string_view kVisaFolder = u"/Visas/";
inline constexpr std::u16string_view kOtherFolder = u"/Others/";
inline constexpr std::u16string_view kPortraitFolder = u"/";

inline constexpr int kJpegImageType = 2;

class ImageArchive {
public:
    ImageArchive(ReadContext& context, LocalClock& clock, ConverterLauncher& converter);

    // Creates picture folder + subFolder (one level) when missing; whether it
    // is an existing directory now.
    bool EnsureArchiveFolder(std::u16string_view subFolder);

    // The white-light page under "Others" with a clock name (warning and
    // error statuses).
    void SaveStatusImage();

    // The page images after a clean read, by document kind.
    void SavePageImages(DocumentKind kind);

    // The page images after a checksum status (visa or other), then the
    // "@ImageCaptured|" notification with the white-light image's path.
    void SaveImagesAndNotify(DocumentKind kind);

    // The chip's face image as the portrait; "@ImageReady" for the host.
    void SaveChipPortrait(PassState& pass);

    // The portrait cut from the page when the chip gave none; starts the
    // image converter on a new portrait; "@ImageReady" for the host.
    void SavePagePortrait(PassState& pass);

    std::u16string ClockName();

private:
    struct PageSave {
        std::u16string path; // the white-light image's path
        bool attempted = false; // the folder was there and a write was tried
        bool written = false;
    };
    PageSave savePages(DocumentKind kind);
    bool saveView(sdk::GxImage& view, const std::u16string& path);
    // saveView, logging "Image not saved " + path when the write failed.
    bool saveOrReport(sdk::GxImage& view, const std::u16string& path);
    void notifyImageReady();

    ReadContext& context_;
    LocalClock& clock_;
    ConverterLauncher& converter_;
};

} // namespace readerlink::reader
