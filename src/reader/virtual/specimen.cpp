#include "reader/virtual/specimen.h"

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

namespace readerlink::virtualreader {

namespace {

using nlohmann::json;

constexpr std::uintmax_t kMaxSpecimenBytes = 1024 * 1024;

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& why) {
    throw SpecimenError(file.filename().string() + ": " + why);
}

std::filesystem::path resolveImage(const std::filesystem::path& file, const std::filesystem::path& library,
                                   const std::string& name) {
    const std::filesystem::path relative(name);
    if (relative.is_absolute())
        return relative;
    const auto beside = file.parent_path() / relative;
    std::error_code error;
    if (std::filesystem::exists(beside, error))
        return beside;
    const auto inLibrary = library / relative;
    if (std::filesystem::exists(inLibrary, error))
        return inLibrary;
    fail(file, "image not found: " + name);
}

std::vector<std::string> mrzLines(const std::filesystem::path& file, const json& value) {
    if (!value.is_array() || value.size() > 3)
        fail(file, "\"mrz\" must be a list of up to three lines");
    std::vector<std::string> lines;
    for (const auto& line : value) {
        if (!line.is_string())
            fail(file, "MRZ lines must be texts");
        lines.push_back(line.get<std::string>());
    }
    return lines;
}

int integerIn(const std::filesystem::path& file, const json& object, const char* key, int fallback) {
    if (!object.contains(key))
        return fallback;
    const auto& value = object.at(key);
    if (!value.is_number_integer())
        fail(file, std::string("\"") + key + "\" must be an integer");
    return value.get<int>();
}

} // namespace

const std::vector<std::string>& throwableCalls() {
    static const std::vector<std::string> calls = {
        "Capture",         "GetMrz",         "Recognize",    "ResolveMrzText", "ResolveRfidData",
        "GetRfidCardList", "GetRfidCard",    "ConnectRfidCard", "DisconnectRfidCard", "MakeBAC",
        "GetRfidFileB",    "UseDeviceN",     "SetPageLight", "GetLightMask",   "LightListItem"};
    return calls;
}

Specimen loadSpecimen(const std::filesystem::path& file, const std::filesystem::path& library) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error)
        fail(file, "cannot be read");
    if (size > kMaxSpecimenBytes)
        fail(file, "too large for a specimen");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        fail(file, "cannot be read");
    json root;
    try {
        root = json::parse(in);
    } catch (const json::exception& e) {
        fail(file, std::string("not valid JSON: ") + e.what());
    }
    if (!root.is_object())
        fail(file, "a specimen is a JSON object");

    Specimen s;
    s.file = file;
    try {
        s.description = root.value("description", std::string());
        if (root.contains("mrz"))
            s.mrz = mrzLines(file, root.at("mrz"));
        if (root.contains("pages")) {
            const auto& pages = root.at("pages");
            if (pages.contains("white"))
                s.whitePage = resolveImage(file, library, pages.at("white").get<std::string>());
            if (pages.contains("infra"))
                s.infraPage = resolveImage(file, library, pages.at("infra").get<std::string>());
        }
        if (root.contains("portrait")) {
            const auto& p = root.at("portrait");
            PortraitCrop crop{integerIn(file, p, "x", 0), integerIn(file, p, "y", 0),
                              integerIn(file, p, "width", 0), integerIn(file, p, "height", 0)};
            if (crop.x < 0 || crop.y < 0 || crop.width <= 0 || crop.height <= 0)
                fail(file, "\"portrait\" needs a positive width and height inside the page");
            s.portrait = crop;
        }
        if (root.contains("chip") && !root.at("chip").is_null()) {
            const auto& c = root.at("chip");
            ChipSpecimen chip;
            chip.bacProtected = c.value("bacProtected", true);
            if (c.contains("mrz"))
                chip.mrz = mrzLines(file, c.at("mrz"));
            if (c.contains("face"))
                chip.face = resolveImage(file, library, c.at("face").get<std::string>());
            if (c.contains("dataGroups")) {
                std::vector<int> groups;
                for (const auto& group : c.at("dataGroups")) {
                    if (!group.is_number_integer() || group.get<int>() < 1 || group.get<int>() > 16)
                        fail(file, "\"dataGroups\" lists data group numbers 1 to 16");
                    groups.push_back(group.get<int>());
                }
                chip.dataGroups = groups;
            }
            // make-specimen writes this file, so it may not be there yet.
            if (c.contains("sod")) {
                const std::filesystem::path sod(c.at("sod").get<std::string>());
                std::error_code error;
                for (const auto& place : {file.parent_path() / sod, library / sod})
                    if (chip.sod.empty() && std::filesystem::exists(place, error))
                        chip.sod = place;
            }
            s.chip = chip;
        }
        if (root.contains("forced")) {
            const auto& f = root.at("forced");
            if (f.contains("fieldStatus")) {
                for (const auto& [code, status] : f.at("fieldStatus").items()) {
                    std::size_t used = 0;
                    int fieldCode = 0;
                    try {
                        fieldCode = std::stoi(code, &used);
                    } catch (const std::exception&) {
                        used = 0;
                    }
                    if (used == 0 || used != code.size() || !status.is_number_integer())
                        fail(file, "\"fieldStatus\" maps field codes to integer statuses");
                    s.forcedFieldStatus[fieldCode] = status.get<int>();
                }
            }
            s.mrzUnreadableCalls = integerIn(file, f, "mrzUnreadableCalls", 0);
            if (f.contains("throw")) {
                for (const auto& [call, count] : f.at("throw").items()) {
                    const auto& known = throwableCalls();
                    if (std::find(known.begin(), known.end(), call) == known.end())
                        fail(file, "\"throw\" names an unknown operation: " + call);
                    if (!count.is_number_integer())
                        fail(file, "\"throw\" counts must be integers");
                    s.throwingCalls[call] = count.get<int>();
                }
            }
        }
    } catch (const json::exception& e) {
        fail(file, std::string("unexpected value: ") + e.what());
    }
    return s;
}

} // namespace readerlink::virtualreader
