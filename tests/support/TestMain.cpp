#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "TempHome.h"

namespace {

// Gives every test its own empty data home, so no test sees another's files.
class FreshHomeListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { home_ = std::make_unique<TempHome>(); }
    void OnTestEnd(const testing::TestInfo&) override { home_.reset(); }
    std::unique_ptr<TempHome> home_;
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshHomeListener);
    return RUN_ALL_TESTS();
}
