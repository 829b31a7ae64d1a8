// With no smart-card service to reach, every entry point says so plainly.
// pcsc-lite's client finds the service's socket through
// PCSCLITE_CSOCK_NAME, pointed here at a path where nothing listens.

#include "platform/pcsc/pcsc_reader.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace readerlink::pcsc {
namespace {

TEST(PcscWithoutService, SaysTheServiceIsNotRunning) {
    ::setenv("PCSCLITE_CSOCK_NAME", "/nonexistent/readerlink-test/pcscd.comm", 1);
    try {
        PcscService service;
        FAIL() << "a service answered";
    } catch (const PcscError& e) {
        EXPECT_EQ(e.kind(), PcscError::Kind::NoService);
        EXPECT_STREQ(e.what(), "The smart-card service (pcscd) is not running");
    }
}

} // namespace
} // namespace readerlink::pcsc
