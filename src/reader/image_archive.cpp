#include "reader/image_archive.h"

#include "common/station_choices.h"
#include "common/text.h"
#include "reader/archive_names.h"
#include "reader/field_status.h"
#include "reader/mrz_text.h"

#include <filesystem>
#include <system_error>

namespace readerlink::reader {

namespace {

std::filesystem::path toPath(const std::u16string& text) {
    return std::filesystem::path(toUtf8(text));
}

bool isDirectory(const std::u16string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(toPath(path), ec);
}

bool fileExists(const std::u16string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(toPath(path), ec);
}


} // namespace

ImageArchive::ImageArchive(ReadContext& context, LocalClock& clock, ConverterLauncher& converter)
    : context_(context), clock_(clock), converter_(converter) {}

std::u16string ImageArchive::ClockName() {
    return reader::ClockName(clock_.now(), clock_.decimalSeparator());
}

bool ImageArchive::EnsureArchiveFolder(std::u16string_view subFolder) {
    const std::u16string folder = context_.window.pictureFolder() + std::u16string(subFolder);
    if (!isDirectory(folder)) {
        // One level only: a missing picture folder is the operator's to fix,
        // and the caller reports what it has to.
        std::error_code ec;
        std::filesystem::create_directory(toPath(folder), ec);
    }
    return isDirectory(folder);
}

bool ImageArchive::saveView(sdk::GxImage& view, const std::u16string& path) {
    // The write's own answer: an older file of that name proves nothing.
    return view.SaveImage(path, kJpegImageType) != 0;
}

bool ImageArchive::saveOrReport(sdk::GxImage& view, const std::u16string& path) {
    // A read-only or full archive must not pass unnoticed; the read goes on.
    if (saveView(view, path))
        return true;
    context_.log.log(u"Image not saved " + path);
    return false;
}

void ImageArchive::SaveStatusImage() {
    const std::u16string name = ClockName();
    if (EnsureArchiveFolder(kOtherFolder)) {
        saveOrReport(control(context_.controls.img),
                     context_.window.pictureFolder() + std::u16string(kOtherFolder) + name + u".jpg");
    }
}

ImageArchive::PageSave ImageArchive::savePages(DocumentKind kind) {
    auto& controls = context_.controls;
    PageSave save;
    switch (kind) {
    case DocumentKind::Passport: {
        std::u16string name = passportNamePieces(control(controls.prDoc).Field(field::kMrzLine2));
        const bool folder = EnsureArchiveFolder(kPassportFolder);
        name = cleanName(name);
        const std::u16string base =
            context_.window.pictureFolder() + std::u16string(kPassportFolder) + name;
        save.path = base + u".jpg";
        if (folder) {
            context_.log.log(u"Save to " + save.path);
            save.attempted = true;
            save.written = saveOrReport(control(controls.img), save.path);
            saveOrReport(control(controls.infraImg), base + u"IN.jpg");
        } else {
            context_.log.log(u"Folder is not exist to save passport");
        }
        break;
    }
    case DocumentKind::Visa: {
        const std::u16string name = visaName(control(controls.prDoc).Field(field::kMrzLine2));
        const bool folder = EnsureArchiveFolder(kVisaFolder);
        const std::u16string base =
            context_.window.pictureFolder() + std::u16string(kVisaFolder) + name;
        save.path = base + u".jpg";
        if (folder) {
            save.attempted = true;
            save.written = saveOrReport(control(controls.img), save.path);
            saveOrReport(control(controls.infraImg), base + u"IN.jpg");
        }
        break;
    }
    case DocumentKind::Other: {
        const std::u16string name = ClockName();
        const bool folder = EnsureArchiveFolder(kOtherFolder);
        save.path = context_.window.pictureFolder() + std::u16string(kOtherFolder) + name + u".jpg";
        if (folder) {
            save.attempted = true;
            save.written = saveOrReport(control(controls.img), save.path);
        }
        break;
    }
    }
    return save;
}

void ImageArchive::SavePageImages(DocumentKind kind) {
    savePages(kind);
}

void ImageArchive::SaveImagesAndNotify(DocumentKind kind) {
    const PageSave save = savePages(kind);
    if (!save.attempted) // a failed write has been reported already
        context_.log.log(u"Image not saved " + save.path);
    // Sent even without the file: host applications take it as the mark of a
    // checksum read that the MRZ delivery right after belongs to.
    context_.scanData = u"@ImageCaptured|" + save.path;
    context_.sendDataToApp();
    context_.log.log(u"Capture notification sent");
}

void ImageArchive::notifyImageReady() {
    if (!TargetChoice{context_.window.targetApplication()}.isOrlam())
        return;
    context_.scanData = u"@ImageReady";
    context_.sendDataToApp();
}

void ImageArchive::SaveChipPortrait(PassState& pass) {
    if (pass.mrzLines.size() > 1 && context_.window.isPassport()) {
        const std::u16string name = portraitName(pass.mrzLines[1]);
        const std::u16string path =
            context_.window.pictureFolder() + std::u16string(kPortraitFolder) + name + u".jpg";
        if (saveView(control(context_.controls.imRF), path))
            context_.log.logStatus(u"874:Image Saved " + path);
        else
            context_.log.logStatus(u"874:Image not saved " + path);
    } else {
        context_.log.log(u"Not a passport");
    }
    notifyImageReady();
}

void ImageArchive::SavePagePortrait(PassState& pass) {
    auto& controls = context_.controls;
    if (!isDirectory(context_.window.pictureFolder())) {
        context_.log.log(u"");
        context_.log.log(u"Photo path is not valid.");
        return;
    }
    if (control(controls.imRF).XSize() != 0)
        return; // the chip's face image is the portrait

    auto& doc = control(controls.prDoc);
    doc.SetDocument(control(controls.prApi).Recognize(0));
    auto& imViz = control(controls.imViz);
    imViz.UpdateImage();
    if (!sdk::isTrue(doc.Valid()) || imViz.XSize() == 0) {
        context_.log.log(u"No Passport");
        return;
    }

    context_.scanData = doc.Field(field::kMrzLine1) + u"\r\n" + doc.Field(field::kMrzLine2);
    pass.mrzLines = splitLines(context_.scanData);

    if (pass.mrzLines.size() > 1 && context_.window.isPassport()) {
        const std::u16string name = portraitName(pass.mrzLines[1]);
        context_.log.log(u"805:" + name);
        const std::u16string path =
            context_.window.pictureFolder() + std::u16string(kPortraitFolder) + name + u".jpg";
        if (!fileExists(path)) {
            if (saveOrReport(imViz, path))
                converter_.launchConverter(path); // optional tool: a failure is no read error
        }
    } else {
        context_.log.log(u"807:List < 1");
    }
    notifyImageReady();
}

} // namespace readerlink::reader
