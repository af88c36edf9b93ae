#include "OrvHTTPServices.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <thread>

#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

// Runs the call on a thread of its own, as the program does, while this one's events run.
template <class F>
auto offMainThread(F call) {
    decltype(call()) answer;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = call();
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 20000));
    worker.join();
    return answer;
}

TEST(OrvHTTPServices, FormsEscapeTheFormCharactersToo) {
    EXPECT_TEXT(OrvHTTPServices::escapeString(u"a&b?c=d+e;f 100%26 caf\u00e9 #1 p/t:x@y"_s),
                u"a%26b%3Fc%3Dd%2Be%3Bf%20100%2526%20caf%C3%A9%20%231%20p/t:x@y"_s);
    EXPECT_TEXT(OrvHTTPServices::escapeString(QString()), u""_s);
    const QString text = u"a&b?c=d+e;f 100%26 & 50% \u00e9\U0001F600"_s;
    EXPECT_TEXT(OrvHTTPServices::unescapeString(OrvHTTPServices::escapeString(text)), text);
    // The reserved five are still put back where the other escapes do not decode.
    EXPECT_TEXT(OrvHTTPServices::unescapeString(u"a%26b%FF %zz%3D"_s), u"a&b%FF %zz="_s);
    const OrvHTTPServices::Dictionary fields{
        {u"z"_s, u"1"_s}, {u"a b"_s, u"x=y&z"_s}, {u"empty"_s, u""_s}, {u"null"_s, QString()}};
    EXPECT_TEXT(OrvHTTPServices::getFormDataString(fields), u"z=1&a%20b=x%3Dy%26z&empty=&null="_s);
    EXPECT_TEXT(OrvHTTPServices::getFormDataString(std::nullopt), u""_s);
    const auto form = OrvHTTPServices::getMutableURLRequest(
        u"http://127.0.0.1:1/p"_s, OrvHTTPServices::Dictionary{{u"k"_s, u"\u00e9"_s}}, 2.5);
    EXPECT_EQ(form.request.rawHeader("Content-Length"), QByteArray("8"));
    EXPECT_EQ(form.request.transferTimeout(), 2500);
}

class OrvHTTPServicesTransfer : public testing::Test {
protected:
    void SetUp() override { SKIP_QT_NETWORK_UNDER_TSAN(); }
    void TearDown() override { OrvHTTPServices::setPostTimeout(0); }
    QString post(const QString& url, const std::optional<OrvHTTPServices::Dictionary>& fields) {
        return offMainThread([&] { return OrvHTTPServices::getStringFromURL(url, fields); });
    }
    QByteArray get(const QString& url, int timeout) {
        return offMainThread([&] { return OrvHTTPServices::getDataFromURL(url, timeout); });
    }
    FakeHttpServer server;
};

TEST_F(OrvHTTPServicesTransfer, PostSendsTheFormAndAnswersTheBodyOfAnyStatus) {
    server.answer(u"/form"_s, {200, "ok \xe9"});
    EXPECT_TEXT(post(server.url(u"/form"_s), OrvHTTPServices::Dictionary{{u"a"_s, u"1 2"_s}}),
                u"ok \u00e9"_s);
    const FakeHttpServer::Request request = server.requests().value(0);
    EXPECT_EQ(request.method, u"POST"_s);
    EXPECT_EQ(request.body, QByteArray("a=1%202"));
    EXPECT_EQ(request.headers.value(u"content-type"_s),
              u"application/x-www-form-urlencoded; charset=utf-8"_s);

    answerEveryStatus(server);
    for (const int status : kCompletedStatuses) {
        EXPECT_TEXT(post(server.url(statusPath(status)), std::nullopt),
                    QString::fromLatin1(statusBody(status)));
    }
    OrvHTTPServices::setPostTimeout(300);
    server.answer(u"/cut"_s, {200, QByteArray(1000, 'c'), "text/plain", 0, true});
    server.answer(u"/slow"_s, {200, "late", "text/plain", 5000});
    QElapsedTimer clock;
    clock.start();
    for (const QString& failing : {server.url(u"/cut"_s), u"http://127.0.0.1:1/refused"_s,
                                   u"not an address"_s, server.url(u"/slow"_s)}) {
        EXPECT_TEXT(post(failing, std::nullopt), QString()) << failing.toStdString();
    }
    EXPECT_LT(clock.elapsed(), 3000);  // the slow one given up after its time-out
}

TEST_F(OrvHTTPServicesTransfer, GetAnswersTheBodyOfASuccessOnly) {
    server.answer(u"/art"_s, {200, QByteArray("\xff\xd8 bytes", 8), "image/jpeg"});
    server.answer(u"/none"_s, {200, ""});
    server.answer(u"/missing"_s, {404, "not here"});
    server.answer(u"/slow"_s, {200, "late", "text/plain", 5000});
    EXPECT_EQ(get(server.url(u"/art"_s), 3000), QByteArray("\xff\xd8 bytes", 8));
    EXPECT_FALSE(get(server.url(u"/none"_s), 3000).isNull()) << "an empty answer is no failure";
    QElapsedTimer clock;
    clock.start();
    for (const QString& failing :
         {server.url(u"/missing"_s), server.url(u"/slow"_s), u"file:///etc/passwd"_s}) {
        EXPECT_TRUE(get(failing, 300).isNull()) << failing.toStdString();
    }
    EXPECT_LT(clock.elapsed(), 3000);  // the slow one given up after its time-out
    EXPECT_EQ(server.requests().value(0).method, u"GET"_s);
}

// Read straight off a socket: cpp-httplib would parse the multipart body itself (and wants a
// line break after the closing boundary).
TEST_F(OrvHTTPServicesTransfer, UploadSendsTheExactMultipartBody) {
    const QByteArray file("PNG\x00\x01\r\n--AaB03x\xff", 16);
    const QByteArray body = OrvHTTPServices::generatePostDataForData(file);
    EXPECT_EQ(body,
              "--AaB03x\r\nContent-Disposition: form-data; name=\"upload[file]\"; "
              "filename=\"somefile\"\r\nContent-Type: application/octet-stream\r\n"
              "Content-Transfer-Encoding: binary\r\n\r\n" +
                  file + "\r\n--AaB03x--");
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    QByteArray received;
    QObject::connect(&listener, &QTcpServer::newConnection, [&] {
        QTcpSocket* socket = listener.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            received += socket->readAll();
            const qsizetype headerEnd = received.indexOf("\r\n\r\n");
            if (headerEnd >= 0 && received.size() >= headerEnd + 4 + body.size()) {
                socket->write("HTTP/1.1 201 Created\r\nContent-Length: 6\r\n\r\nstored");
                socket->disconnectFromHost();
            }
        });
    });
    EXPECT_TEXT(offMainThread([&] {
                    return OrvHTTPServices::uploadFile(
                        file, u"http://127.0.0.1:%1/up"_s.arg(listener.serverPort()));
                }),
                u"stored"_s);
    const qsizetype headerEnd = received.indexOf("\r\n\r\n");
    const QByteArray head = received.left(headerEnd);
    EXPECT_TRUE(head.startsWith("POST /up HTTP/1.1\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nContent-Type: multipart/form-data; boundary=AaB03x"));
    EXPECT_TRUE(head.contains("\r\nContent-Length: " + QByteArray::number(body.size())));
    EXPECT_EQ(received.mid(headerEnd + 4), body);
}

}  // namespace
