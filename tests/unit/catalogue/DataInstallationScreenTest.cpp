#include <gtest/gtest.h>

#include <QLabel>
#include <QPixmap>

#include "DataInstallationScreen.h"
#include "Model.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

TEST(InstallScreen, ShowsThePictureOfItsBuild) {
    for (const QString& build : {u"xbox360"_s, u"wii"_s, u"ps3"_s, u"psp"_s, u"pc"_s, u"ds"_s}) {
        SCOPED_TRACE(build.toStdString());
        Model::setInformationFilePath(u":/builds/"_s + build + u"/Info.json"_s);
        Model::resetInstance();
        DataInstallationScreen screen;
        const QImage picture = screen.image()->pixmap().toImage();
        ASSERT_FALSE(picture.isNull()) << "the bundle picture was not found";
        EXPECT_EQ(picture,
                  QImage(u":/install_"_s + build + u".png"_s).convertToFormat(picture.format()));
    }
}
