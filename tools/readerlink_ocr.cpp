// readerlink-ocr: reads the MRZ off page images (JPEG, PNG, TIFF).
//
//   readerlink-ocr [--json] IMAGE...
//
// Plain: each image's MRZ lines, then an empty line. --json: one object per
// image and line: {"file", "lines", "valid", "ms"}, plus "error" when the
// image could not be read or holds more than one document.

#include "reader/ocr/mrz_recognizer.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += '\\', out += static_cast<char>(c);
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    using namespace readerlink;
    bool json = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json")
            json = true;
        else if (arg == "--help" || arg == "-h") {
            std::cout << "usage: readerlink-ocr [--json] IMAGE...\n";
            return 0;
        } else
            files.push_back(arg);
    }
    if (files.empty()) {
        std::cerr << "usage: readerlink-ocr [--json] IMAGE...\n";
        return 2;
    }
    int status = 0;
    for (const std::string& file : files) {
        const auto started = std::chrono::steady_clock::now();
        const auto image = ocr::readImageFile(file);
        ocr::PageReading reading;
        std::string error;
        if (!image)
            error = "not a readable JPEG, PNG or TIFF image";
        else {
            reading = ocr::recogniseMrz(*image);
            if (reading.outcome == ocr::PageOutcome::SeveralDocuments)
                error = ocr::outcomeText(reading.outcome);
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        if (!error.empty())
            status = 1;
        if (json) {
            std::string out = "{\"file\":" + jsonString(file) + ",\"lines\":[";
            for (size_t i = 0; i < reading.lines.size(); ++i)
                out += (i ? "," : "") + jsonString(reading.lines[i]);
            char msText[32];
            std::snprintf(msText, sizeof msText, "%.1f", ms);
            out += std::string("],\"valid\":") + (reading.valid() ? "true" : "false") +
                   ",\"ms\":" + msText;
            if (!error.empty())
                out += ",\"error\":" + jsonString(error);
            std::cout << out << "}\n";
        } else {
            if (!error.empty())
                std::cerr << "readerlink-ocr: " << file << ": " << error << "\n";
            for (const std::string& line : reading.lines)
                std::cout << line << "\n";
            std::cout << "\n";
        }
    }
    return status;
}
