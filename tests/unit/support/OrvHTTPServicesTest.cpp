#include "OrvHTTPServices.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <thread>

#include "EventWait.h"
#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

TEST(OrvHTTPServices, FormsEscapeTheFormCharactersToo) {
    EXPECT_TEXT(OrvHTTPServices::escapeString(u"a&b?c=d+e;f 100%26 caf\u00e9 #1 p/t:x@y"_s),
                u"a%26b%3Fc%3Dd%2Be%3Bf%20100%2526%20caf%C3%A9%20%231%20p/t:x@y"_s);
    const QString text = u"a&b?c=d+e;f 100%26 & 50% \u00e9\U0001F600"_s;
    EXPECT_TEXT(OrvHTTPServices::unescapeString(OrvHTTPServices::escapeString(text)), text);
    // The reserved five are still put back where the other escapes do not decode.
    EXPECT_TEXT(OrvHTTPServices::unescapeString(u"a%26b%FF %zz%3D"_s), u"a&b%FF %zz="_s);
    const OrvHTTPServices::Dictionary fields{
        {u"z"_s, u"1"_s}, {u"a b"_s, u"x=y&z"_s}, {u"empty"_s, u""_s}, {u"null"_s, QString()}};
    EXPECT_TEXT(OrvHTTPServices::getFormDataString(fields), u"z=1&a%20b=x%3Dy%26z&empty=&null="_s);
    const auto form = OrvHTTPServices::getMutableURLRequest(
        u"http://127.0.0.1:1/p"_s, OrvHTTPServices::Dictionary{{u"k"_s, u"\u00e9"_s}}, 2.5);
    EXPECT_EQ(form.request.rawHeader("Content-Length"), QByteArray("8"));
    EXPECT_EQ(form.request.transferTimeout(), 2500);
}

class OrvHTTPServicesTransfer : public testing::Test {
protected:
    void SetUp() override { SKIP_QT_NETWORK_UNDER_TSAN(); }
    // On a thread of its own, as the program does, while this one's events run.
    QByteArray get(const QString& url, int timeout) {
        QByteArray answer;
        EventWait answered;
        std::thread worker([&] {
            answer = OrvHTTPServices::getDataFromURL(url, timeout);
            answered.done();
        });
        EXPECT_TRUE(answered.wait(20000));
        worker.join();
        return answer;
    }
    FakeHttpServer server;
};

// What the program downloads (box art): the body of a success only.
TEST_F(OrvHTTPServicesTransfer, GetAnswersTheBodyOfASuccessOnly) {
    server.answer(u"/art"_s, {200, QByteArray("\xff\xd8 bytes", 8), "image/jpeg"});
    server.answer(u"/none"_s, {200, ""});
    server.answer(u"/missing"_s, {404, "not here"});
    server.answer(u"/cut"_s, {200, QByteArray(1000, 'c'), "text/plain", 0, true});
    server.answer(u"/slow"_s, {200, "late", "text/plain", 5000});
    EXPECT_EQ(get(server.url(u"/art"_s), 3000), QByteArray("\xff\xd8 bytes", 8));
    EXPECT_FALSE(get(server.url(u"/none"_s), 3000).isNull()) << "an empty answer is no failure";
    QElapsedTimer clock;
    clock.start();
    for (const QString& failing : {server.url(u"/missing"_s), server.url(u"/cut"_s),
                                   server.url(u"/slow"_s), u"file:///etc/passwd"_s}) {
        EXPECT_TRUE(get(failing, 300).isNull()) << failing.toStdString();
    }
    EXPECT_LT(clock.elapsed(), 3000);  // the slow one given up after its time-out
}

}  // namespace
