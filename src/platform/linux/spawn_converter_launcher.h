#pragma once

// Linux backend of the image converter launch: "ImageConverter" (or
// "ImageConverter.exe") from the program's own folder, else from the PATH,
// started detached in the program's folder with the image path as its one
// argument.

#include "reader/converter_launcher.h"

#include <memory>
#include <string>

namespace readerlink::platform {

// executableFolder: where the converter is looked for first and where it
// runs; empty means the folder of the running program.
std::unique_ptr<reader::ConverterLauncher> makeConverterLauncher(std::string executableFolder = {});

// The folder that holds the running program, without a trailing separator.
std::string runningProgramFolder();

} // namespace readerlink::platform
