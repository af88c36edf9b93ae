#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <optional>

#include "ScopedEnv.h"

namespace {

// Gives every test its own empty data home, so no test sees another's files.
class FreshHomeListener : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        dir_.emplace(QDir::tempPath() + QStringLiteral("/questlog-test-XXXXXX"));
        home_.emplace("QUESTLOG_HOME", dir_->path().toUtf8());
    }
    void OnTestEnd(const testing::TestInfo&) override {
        home_.reset();
        dir_.reset();
    }
    std::optional<QTemporaryDir> dir_;
    std::optional<ScopedEnv> home_;
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
