#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "WebView.h"

// The web view's tests share one process, since each engine start costs seconds, and so one
// data home: the engine's profile keeps the home it found when it started.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/questlog-webview-test-XXXXXX"));
    qputenv("QUESTLOG_HOME", home.path().toUtf8());
    WebView::prepareApplication();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
