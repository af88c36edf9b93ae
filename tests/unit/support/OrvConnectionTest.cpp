#include "OrvConnection.h"

#include <gtest/gtest.h>

#include <string>

#include "CapturedConsole.h"
#include "NetworkTestSupport.h"

namespace {

class OrvConnectionReachability : public testing::Test {
protected:
    void TearDown() override { OrvConnection::setReachabilityFlagsReader({}); }
    void answer(std::optional<unsigned> flags) {
        OrvConnection::setReachabilityFlagsReader([flags] { return flags; });
    }
};

}  // namespace

TEST_F(OrvConnectionReachability, ReachableOnlyWithoutAConnectionToSetUp) {
    answer(OrvConnection::kReachable);
    EXPECT_TRUE(OrvConnection::isConnectedToNetwork());
    answer(OrvConnection::kReachable | OrvConnection::kConnectionRequired);
    EXPECT_FALSE(OrvConnection::isConnectedToNetwork());
    answer(0u);
    EXPECT_FALSE(OrvConnection::isConnectedToNetwork());
    answer(OrvConnection::kConnectionRequired);
    EXPECT_FALSE(OrvConnection::isConnectedToNetwork());
}

TEST_F(OrvConnectionReachability, UnreadableStateCountsAsUnreachableAndSaysSo) {
    answer(std::nullopt);
    CapturedConsole captured(CapturedConsole::Stream::Output);
    EXPECT_FALSE(OrvConnection::isConnectedToNetwork());
    EXPECT_EQ(captured.text(),
              QStringLiteral("Error. Could not recover network reachability flags\n"));
}

TEST_F(OrvConnectionReachability, SystemAnswerIsReadableHere) {
    SKIP_QT_NETWORK_UNDER_TSAN();
    // This machine has at least a loopback interface, so the state can always be read.
    EXPECT_TRUE(OrvConnection::systemReachabilityFlags().has_value());
}
