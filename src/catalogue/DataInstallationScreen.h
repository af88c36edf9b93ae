#pragma once

#include <QWidget>
#include <memory>

class QLabel;
namespace Ui {
class DataInstallationScreen;
}

// The screen that covers the list while the shipped catalogue is being installed: the build's
// install picture filling the 320 x 480 screen. Laid out by its interface file; the picture is
// shown as soon as the screen is made. Main thread only; owned by its parent widget.
class DataInstallationScreen : public QWidget {
    Q_OBJECT
public:
    explicit DataInstallationScreen(QWidget* parent = nullptr);
    ~DataInstallationScreen() override;

    // Shows the picture "install_<code>.png" from the bundle; a missing one leaves it empty.
    void viewDidLoad();
    void didReceiveMemoryWarning();
    void viewDidUnload();

    QLabel* image() const;

private:
    std::unique_ptr<Ui::DataInstallationScreen> ui_;
};
