#pragma once

// Options handled before anything else starts: --help and --version print
// and end the process. Everything else is left to the station ("/m").

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace readerlink::station {

// The exit code when an option was handled, nullopt to start the station.
std::optional<int> handleInfoOptions(const std::vector<std::string>& arguments, std::ostream& out);

} // namespace readerlink::station
