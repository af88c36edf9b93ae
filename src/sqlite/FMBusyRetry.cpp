#include "FMBusyRetry.h"

#include <chrono>
#include <thread>

bool FMBusyRetry::shouldRetry() {
    ++busyAnswers_;
    std::this_thread::sleep_for(std::chrono::microseconds(20));
    if (busyRetryTimeout_ != 0) {
        if (numberOfRetries_ > busyRetryTimeout_) {
            return false;
        }
        ++numberOfRetries_;
    }
    return true;
}
