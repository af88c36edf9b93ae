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
        previousInfo_ = Model::informationFilePath();
        Model::setInformationFilePath(u":/builds/"_s + GetParam() + u"/Info.json"_s);
        Model::resetInstance();
        ASSERT_EQ(Model::instanceOf()->platformCode(), GetParam());
    }
    void TearDown() override {
        Model::setInformationFilePath(previousInfo_);
        Model::resetInstance();
    }
    QString previousInfo_;
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
    screen.didReceiveMemoryWarning();
    screen.viewDidUnload();
    EXPECT_FALSE(screen.image()->pixmap().isNull());
}

INSTANTIATE_TEST_SUITE_P(EveryBuild, InstallScreen,
                         testing::Values(u"xbox360"_s, u"wii"_s, u"ps3"_s, u"psp"_s, u"pc"_s,
                                         u"ds"_s));

TEST(InstallScreenWithoutPicture, StaysEmptyButIsShown) {
    const QString previous = Model::informationFilePath();
    Model::setInformationFilePath(u":/builds/none/Info.json"_s);  // no platform code at all
    Model::resetInstance();
    {
        DataInstallationScreen screen;
        screen.show();
        EXPECT_TRUE(screen.image()->pixmap().isNull());
        EXPECT_TRUE(screen.isVisible());
    }
    Model::setInformationFilePath(previous);
    Model::resetInstance();
}
