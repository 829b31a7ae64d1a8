#include "reader/virtual/virtual_reader_options.h"

#include <gtest/gtest.h>

#include "support/manual_dispatcher.h"

namespace readerlink::virtualreader {
namespace {

TEST(VirtualReaderSettings, EmptyValuesTakeTheFoldersBesideTheExecutable) {
    testing::ManualDispatcher dispatcher;
    const auto options = optionsFromSettings("/opt/readerlink", u"", u"  ", dispatcher);
    EXPECT_EQ(options.specimensFolder, std::filesystem::path("/opt/readerlink/specimens"));
    EXPECT_EQ(options.glassFolder, std::filesystem::path("/opt/readerlink/specimens/glass"));
    EXPECT_EQ(options.dispatcher, &dispatcher);
}

TEST(VirtualReaderSettings, RelativeValuesAreTakenFromTheExecutablesFolder) {
    testing::ManualDispatcher dispatcher;
    const auto options = optionsFromSettings("/opt/readerlink", u"samples", u"/run/glass", dispatcher);
    EXPECT_EQ(options.specimensFolder, std::filesystem::path("/opt/readerlink/samples"));
    EXPECT_EQ(options.glassFolder, std::filesystem::path("/run/glass"));
}

} // namespace
} // namespace readerlink::virtualreader
