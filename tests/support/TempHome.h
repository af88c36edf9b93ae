#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh data home for one test: points QUESTLOG_HOME at a temporary folder for the test's
// life and puts back what was there before. The test runner gives every test one.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};
