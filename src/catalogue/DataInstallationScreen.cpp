#include "DataInstallationScreen.h"

#include <QLabel>
#include <QPixmap>

#include "FileFunctions.h"
#include "Format.h"
#include "Model.h"
#include "MyLog.h"
#include "ui_DataInstallationScreen.h"

using namespace Qt::Literals::StringLiterals;

DataInstallationScreen::DataInstallationScreen(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::DataInstallationScreen>()) {
    ui_->setupUi(this);
    setAutoFillBackground(true);
    viewDidLoad();
}

DataInstallationScreen::~DataInstallationScreen() = default;

QLabel* DataInstallationScreen::image() const {
    return ui_->image;
}

void DataInstallationScreen::viewDidLoad() {
    const QString imageName =
        Format::format(u"install_%@.png"_s, Model::instanceOf()->platformCode());
    // QPixmap stays null for a missing picture, which leaves the view empty.
    ui_->image->setPixmap(QPixmap(FileFunctions::getPathForBundleResource(imageName)));
    MYLOG(u"getting image          = [%@]"_s, imageName);
}

void DataInstallationScreen::didReceiveMemoryWarning() {
    // The widget base keeps no caches to release; the picture is needed while shown.
}

void DataInstallationScreen::viewDidUnload() {}
