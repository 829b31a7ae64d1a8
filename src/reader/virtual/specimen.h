#pragma once

// A sample document for the virtual reader: one JSON file giving the MRZ as
// printed, the page images, an optional portrait crop, an optional chip and
// optional forced statuses and faults. docs/virtual-reader.md gives the format.

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace readerlink::virtualreader {

struct PortraitCrop {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ChipSpecimen {
    // The first read of file 0 (and every read) fails with error 13 until
    // BAC has opened the chip.
    bool bacProtected = true;
    // The chip's own MRZ (DG1); empty: the printed one.
    std::vector<std::string> mrz;
    // The face image (DG2), a JPEG; empty: no DG2.
    std::filesystem::path face;
    // The data groups the chip declares and holds; nullopt: DG1 when there
    // is an MRZ, DG2 when there is a face.
    std::optional<std::vector<int>> dataGroups;
    // EF.SOD as make-specimen signed it; empty: the chip has none.
    std::filesystem::path sod;
};

struct Specimen {
    std::filesystem::path file;          // where it was loaded from
    std::string description;
    std::vector<std::string> mrz;        // as printed; empty: no readable MRZ
    std::filesystem::path whitePage;     // resolved paths; empty: none
    std::filesystem::path infraPage;
    std::optional<PortraitCrop> portrait;
    std::optional<ChipSpecimen> chip;
    std::map<int, int> forcedFieldStatus;     // field code -> status
    int mrzUnreadableCalls = 0;               // GetMrz finds nothing this many times
    std::map<std::string, int> throwingCalls; // SDK operation -> how many calls throw
};

class SpecimenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Relative image paths are looked up beside the specimen file first, then in
// `library` (the specimens folder), so a specimen copied alone onto the glass
// still finds its pictures. Throws SpecimenError with the reason.
Specimen loadSpecimen(const std::filesystem::path& file, const std::filesystem::path& library);

// The SDK operations a specimen may make throw.
const std::vector<std::string>& throwableCalls();

} // namespace readerlink::virtualreader
