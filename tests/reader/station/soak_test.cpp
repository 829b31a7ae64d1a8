// A shift at the desk: the same passport with its chip read 1,000 times in a
// row. Memory stays flat after the first passes and no descriptor leaks.

#include <gtest/gtest.h>

#include <iostream>

#include "process_stats.h"
#include "virtual_station.h"

namespace readerlink::station_test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

TEST(Soak, AThousandChipReadsKeepMemoryAndDescriptorsFlat) {
    // AddressSanitizer keeps freed memory in quarantine, so resident memory
    // says nothing there; the passes still run, fewer of them.
    const int passes = kSanitized ? 200 : 1000;
    constexpr int kWarmUp = 10;
    constexpr std::size_t kAllowedGrowth = 5 * 1024 * 1024;

    VirtualStation station;
    station.connect();
    station.read(specimenFile("td3-passport-chip.json"));
    const auto firstDeliveries = station.deliveries();
    ASSERT_EQ(firstDeliveries.size(), 4u);
    const auto files = station.archiveFiles();

    std::size_t rssAtWarmUp = 0, descriptorsAtWarmUp = 0, rssHighest = 0;
    for (int pass = 2; pass <= passes; ++pass) {
        station.readAgain();
        ASSERT_EQ(station.deliveries(), firstDeliveries) << "pass " << pass;
        ASSERT_TRUE(station.window.messages.empty()) << "pass " << pass;
        if (pass == kWarmUp) {
            rssAtWarmUp = residentBytes();
            descriptorsAtWarmUp = openDescriptors();
        }
        if (pass > kWarmUp)
            rssHighest = std::max(rssHighest, residentBytes());
    }
    const std::size_t rssAtEnd = residentBytes();
    std::cout << "soak: " << passes << " passes; RSS at pass " << kWarmUp << ": " << rssAtWarmUp / 1024
              << " KiB, at pass " << passes << ": " << rssAtEnd / 1024 << " KiB, highest after warm-up: "
              << rssHighest / 1024 << " KiB; descriptors " << descriptorsAtWarmUp << " -> " << openDescriptors()
              << "\n";
    EXPECT_EQ(station.archiveFiles(), files);
    EXPECT_EQ(openDescriptors(), descriptorsAtWarmUp);
    if (!kSanitized) {
        EXPECT_LE(rssHighest, rssAtWarmUp + kAllowedGrowth);
    }
}

} // namespace
} // namespace readerlink::station_test
