#include <gtest/gtest.h>

#include "FMBusyRetry.h"

namespace {

int busyAnswersUntilGivingUp(qint32 timeout, int limit) {
    FMBusyRetry retry(timeout);
    while (retry.busyAnswers() < limit && retry.shouldRetry()) {
    }
    return retry.busyAnswers();
}

}  // namespace

TEST(FMBusyRetry, GivesUpAfterTimeoutPlusTwoBusyAnswers) {
    EXPECT_EQ(busyAnswersUntilGivingUp(2, 1000), 4);
    EXPECT_EQ(busyAnswersUntilGivingUp(1, 1000), 3);
}

TEST(FMBusyRetry, ZeroTimeoutRetriesWithoutLimit) {
    EXPECT_EQ(busyAnswersUntilGivingUp(0, 500), 500);
}
