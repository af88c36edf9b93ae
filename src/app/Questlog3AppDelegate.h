#pragma once

#include <QObject>
#include <QWidget>
#include <memory>

// The application delegate: builds the main window at launch and owns it for the life of the
// process. Main thread only.
class Questlog3AppDelegate : public QObject {
    Q_OBJECT
public:
    // The handset's screen, in logical points.
    static constexpr int kScreenWidth = 320;
    static constexpr int kScreenHeight = 480;

    explicit Questlog3AppDelegate(QObject* parent = nullptr);
    ~Questlog3AppDelegate() override;

    void applicationDidFinishLaunching();
    QWidget* window() const { return window_.get(); }

private:
    std::unique_ptr<QWidget> window_;
};
