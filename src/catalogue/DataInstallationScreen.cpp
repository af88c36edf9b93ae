#include "DataInstallationScreen.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

DataInstallationScreen::DataInstallationScreen(QWidget* parent) : QWidget(parent) {
    setObjectName(u"DataInstallationScreen"_s);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(u"Installing games..."_s, this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}
