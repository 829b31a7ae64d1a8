#pragma once

// A specimen as it lies on the virtual reader's glass, with what the reader
// has made of it so far.

#include "reader/virtual/chip_card.h"
#include "reader/virtual/reader_session.h"
#include "reader/virtual/specimen.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace readerlink::virtualreader {

// A specimen counts as new when it is replaced, even by one of the same name.
struct FileIdentity {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

bool isSpecimenName(const std::string& name);

struct LaidDocument {
    std::string name;
    FileIdentity identity;
    Specimen specimen;
    int mrzUnreadableLeft = 0;
    std::map<std::string, int> throwsLeft; // forced faults still to come, by call
    bool pagesLoaded = false;
    SharedPicture white;
    SharedPicture infra;
    SharedPicture portrait; // cut at landing from a bare page image
    bool chipMade = false;
    std::unique_ptr<ChipCard> chip;
};

// The chip's card id: stable for a file name.
std::u16string cardIdFor(const std::string& name);

} // namespace readerlink::virtualreader
