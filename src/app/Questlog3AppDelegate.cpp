#include "Questlog3AppDelegate.h"

#include "Model.h"

Questlog3AppDelegate::Questlog3AppDelegate(QObject* parent) : QObject(parent) {}

Questlog3AppDelegate::~Questlog3AppDelegate() = default;

void Questlog3AppDelegate::applicationDidFinishLaunching() {
    window_ = std::make_unique<QWidget>();
    window_->setWindowTitle(Model::instanceOf()->homescreenTitle());
    window_->setFixedSize(kScreenWidth, kScreenHeight);
    window_->show();
}
