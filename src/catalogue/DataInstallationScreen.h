#pragma once

#include <QWidget>

// The screen that covers the list while the shipped catalogue is being installed.
class DataInstallationScreen : public QWidget {
    Q_OBJECT
public:
    explicit DataInstallationScreen(QWidget* parent = nullptr);
};
