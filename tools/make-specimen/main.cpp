// make-specimen: paints the pictures a specimen file names (white and
// infrared page, the chip's face) from its MRZ, as small real JPEGs.
//
//   make-specimen specimens/td3-passport.json [more.json ...]
//   make-specimen --sod-only specimens/td3-chip-open.json [...]
//
// A chip naming an EF.SOD file gets it signed with the test PKI
// (chip_signing.h); --sod-only leaves the pictures alone.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "chip_signing.h"
#include "page_painter.h"
#include "reader/mrz/mrz_layout.h"
#include "reader/virtual/jpeg_codec.h"

namespace {

using namespace readerlink;
using nlohmann::json;

constexpr int kQuality = 75;

unsigned seedOf(const std::string& text) {
    unsigned hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash % 1000;
}

bool save(virtualreader::JpegCodec& codec, const sdk::RgbImage& image, const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    const auto jpeg = codec.encode(image, kQuality);
    if (jpeg.empty() || !virtualreader::writeFileBytes(path, jpeg)) {
        std::cerr << "make-specimen: cannot write " << path << "\n";
        return false;
    }
    std::cout << path.string() << " (" << image.width << "x" << image.height << ", " << jpeg.size()
              << " bytes)\n";
    return true;
}

std::vector<std::string> lines(const json& value) {
    std::vector<std::string> out;
    for (const auto& line : value)
        out.push_back(line.get<std::string>());
    return out;
}

bool paint(const std::filesystem::path& file, virtualreader::JpegCodec& codec) {
    std::ifstream in(file);
    if (!in) {
        std::cerr << "make-specimen: cannot read " << file << "\n";
        return false;
    }
    const json root = json::parse(in);
    const auto folder = file.parent_path();

    specimentool::PageDesign design;
    design.seed = seedOf(file.filename().string());
    if (root.contains("mrz"))
        design.mrz = lines(root.at("mrz"));
    switch (mrz::detectLayout(design.mrz)) {
    case mrz::Layout::TD1:
        design.width = 540;
        design.height = 340;
        design.portrait = {20, 64, 120, 150};
        break;
    case mrz::Layout::TD2:
    case mrz::Layout::MRVB:
        design.width = 600;
        design.height = 420;
        design.portrait = {22, 76, 140, 178};
        break;
    default:
        break;
    }
    if (root.contains("portrait")) {
        const auto& p = root.at("portrait");
        design.portrait = {p.at("x").get<int>(), p.at("y").get<int>(), p.at("width").get<int>(),
                           p.at("height").get<int>()};
    }
    bool ok = true;
    if (root.contains("pages")) {
        const auto& pages = root.at("pages");
        if (pages.contains("white"))
            ok &= save(codec, specimentool::paintWhitePage(design), folder / pages.at("white").get<std::string>());
        if (pages.contains("infra"))
            ok &= save(codec, specimentool::paintInfraPage(design), folder / pages.at("infra").get<std::string>());
    }
    if (root.contains("chip") && root.at("chip").contains("face"))
        ok &= save(codec, specimentool::paintFace(120, 160, design.seed),
                   folder / root.at("chip").at("face").get<std::string>());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: make-specimen SPECIMEN.json...\n";
        return 2;
    }
    virtualreader::JpegCodec codec;
    bool ok = true;
    const bool sodOnly = std::string(argv[1]) == "--sod-only";
    for (int i = sodOnly ? 2 : 1; i < argc; ++i) {
        try {
            if (!sodOnly)
                ok &= paint(argv[i], codec);
            ok &= specimentool::signSpecimenChip(argv[i], std::cout, std::cerr);
        } catch (const std::exception& e) {
            std::cerr << "make-specimen: " << argv[i] << ": " << e.what() << "\n";
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
