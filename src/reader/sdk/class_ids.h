#pragma once

// The class ids the SDK's three controls are registered under.

#include <string_view>

namespace readerlink::sdk {

inline constexpr std::u16string_view kPrApiClassId = u"{1D89105E-8F52-400A-8B75-4FB2AD357AB6}";
inline constexpr std::u16string_view kPrDocClassId = u"{8A458222-EB58-4277-967F-27FAC179E21C}";
inline constexpr std::u16string_view kGxImageClassId = u"{D44C93E2-461F-4D53-AD54-96F503AC7CF3}";

} // namespace readerlink::sdk
