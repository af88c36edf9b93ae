#include <gtest/gtest.h>

#include <QLabel>
#include <QPixmap>

#include "DataInstallationScreen.h"
#include "Model.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class InstallScreen : public testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        Model::setInformationFilePath(u":/builds/"_s + GetParam() + u"/Info.json"_s);
        Model::resetInstance();
    }
};

}  // namespace

TEST_P(InstallScreen, ShowsThePictureOfItsBuild) {
    DataInstallationScreen screen;
    screen.show();
    ASSERT_NE(screen.image(), nullptr);
    const QImage picture = screen.image()->pixmap().toImage();
    ASSERT_FALSE(picture.isNull()) << "the bundle picture was not found";
    EXPECT_EQ(picture,
              QImage(u":/install_"_s + GetParam() + u".png"_s).convertToFormat(picture.format()));
}

INSTANTIATE_TEST_SUITE_P(EveryBuild, InstallScreen,
                         testing::Values(u"xbox360"_s, u"wii"_s, u"ps3"_s, u"psp"_s, u"pc"_s,
                                         u"ds"_s));
