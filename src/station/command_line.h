#pragma once

// Options handled before anything else starts: --help and --version print
// and end the process. Everything else is left to the station ("/m").

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink::station {

// The exit code when an option was handled, nullopt to start the station.
std::optional<int> handleInfoOptions(const std::vector<std::string>& arguments, std::ostream& out);

// Offers the serial MRZ readers in the window: the reader choice is enabled
// and the COM port number shown. Anywhere on the command line.
inline constexpr std::u16string_view kSerialReadersOption = u"--serial-readers";
bool serialReadersAsked(const std::vector<std::u16string>& arguments);

} // namespace readerlink::station
