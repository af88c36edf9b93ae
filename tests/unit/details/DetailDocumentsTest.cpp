#include "DetailDocuments.h"

#include <gtest/gtest.h>

#include "QStringPrinter.h"
#include "ReviewDocuments.h"

using namespace Qt::StringLiterals;

TEST(DetailDocuments, ObjectsAreRemovedUntilOnlyAnUnclosedOneIsLeft) {
    const QString object = u"<object width=\"1\"><param name=\"m\"></object>"_s;
    const std::pair<QString, QString> cases[] = {
        {u"a"_s + object + u"b"_s + object + u"c"_s, u"abc"_s},
        {u"text <object data=x> never closed"_s, u"text <object data=x> never closed"_s},
        {u"<object></object>x<object y"_s, u"x<object y"_s},
    };
    for (const auto& [html, kept] : cases) {
        EXPECT_EQ(DetailDocuments::withoutObjects(html), kept);
    }
}

TEST(DetailDocuments, ScreenshotsAreCappedTrimmedAndOnlyUsableOnesShown) {
    ReviewDocuments::Product product;
    product.screenshots = 40;
    const QByteArray body = ReviewDocuments::productDocument(product);
    const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(body);
    ASSERT_EQ(shots.size(), DetailDocuments::kMaxScreenshots);
    EXPECT_EQ(shots.last().urlHighDef(), ReviewDocuments::highDefURL(34));
    const QString page = DetailDocuments::screenshotPage(shots, u"http://site/game"_s);
    EXPECT_EQ(page.count(u"<img src="_s), 35);
    EXPECT_TRUE(page.contains(u"<img src=\""_s + ReviewDocuments::screenshotURL(34) + u"\">\n"_s));

    const QList<Screenshot> odd = DetailDocuments::screenshotsFromProductDocument(
        "<p><related_media><media type=\"screenshot\" urlPath=\"  http://x/a.jpg \n\"/>"
        "<media type=\"screenshot\" thumbPath=\"http://x/t.jpg\"/>"
        "<media type=\"screenshot\" urlPath=\"second\"/>"
        "<media type=\"video\" urlPath=\"http://x/v.mp4\"/></related_media></p>");
    ASSERT_EQ(odd.size(), 3);
    EXPECT_EQ(odd[0].urlScreenshot(), u"http://x/a.jpg"_s);
    EXPECT_TRUE(odd[1].urlScreenshot().isNull());
    EXPECT_EQ(DetailDocuments::screenshotPage(odd, QString()).count(u"<img src="_s), 2);
}

TEST(DetailDocuments, TokensAreFilledOnceSoValuesCannotPullInOtherValues) {
    const QString page = DetailDocuments::reviewPage(u"http://site/\"onclick=\"x"_s, u"**BODY**"_s,
                                                     QString(), u"**MORE_URL**"_s, u"the body"_s);
    EXPECT_EQ(page.count(u"the body"_s), 1);
    EXPECT_TRUE(page.contains(u"By **BODY**"_s));
    EXPECT_TRUE(page.contains(u"href=\"http://site/&quot;onclick=&quot;x\""_s));
    EXPECT_FALSE(page.contains(u"**REVIEWED_DATE**"_s) || page.contains(u"(null)"_s));
}
