#pragma once

// Windows backend of the image converter launch: "ImageConverter.exe" from
// the program's own folder, opened by the shell with the quoted image path,
// running in that folder.

#include "reader/converter_launcher.h"

#include <filesystem>
#include <memory>

namespace readerlink::platform {

// executableFolder: where the converter is and where it runs; empty means the
// folder of the running program.
std::unique_ptr<reader::ConverterLauncher>
makeConverterLauncher(std::filesystem::path executableFolder = {});

// The folder that holds the running program.
std::filesystem::path runningProgramFolder();

} // namespace readerlink::platform
