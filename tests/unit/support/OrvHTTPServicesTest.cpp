#include "OrvHTTPServices.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

TEST(OrvHTTPServicesEscaping, FormCharactersAreEscapedAfterTheUrlIllegalOnes) {
    EXPECT_EQ(OrvHTTPServices::escapeString(u"a&b?c=d+e;f"_s), u"a%26b%3Fc%3Dd%2Be%3Bf"_s);
    EXPECT_EQ(OrvHTTPServices::escapeString(u"Feedback emailed"_s), u"Feedback%20emailed"_s);
    // "%" itself is escaped, so a literal "%26" survives the round trip as text.
    EXPECT_EQ(OrvHTTPServices::escapeString(u"100%26"_s), u"100%2526"_s);
    EXPECT_EQ(OrvHTTPServices::escapeString(u"caf\u00e9 #1"_s), u"caf%C3%A9%20%231"_s);
    EXPECT_EQ(OrvHTTPServices::escapeString(u"path/to:x@y"_s), u"path/to:x@y"_s);
    EXPECT_EQ(OrvHTTPServices::escapeString(QString()), u""_s);
    EXPECT_FALSE(OrvHTTPServices::escapeString(QString()).isNull());
    EXPECT_EQ(OrvHTTPServices::escapeString(u""_s), u""_s);
}

TEST(OrvHTTPServicesEscaping, UnescapingUndoesEscaping) {
    for (const QString& text : {u"a&b?c=d+e;f"_s, u"100%26 & 50%"_s, u"\u00e9\u20ac\U0001F600"_s,
                                u"x%3Fy"_s, u"Tab: summary pressed"_s}) {
        EXPECT_EQ(OrvHTTPServices::unescapeString(OrvHTTPServices::escapeString(text)), text)
            << text.toStdString();
    }
    EXPECT_EQ(OrvHTTPServices::unescapeString(QString()), u""_s);
}

TEST(OrvHTTPServicesEscaping, UnescapingKeepsTextWhoseEscapesDoNotDecode) {
    // The reserved five are still put back; the undecodable escapes stay as written.
    EXPECT_EQ(OrvHTTPServices::unescapeString(u"a%26b%FF"_s), u"a&b%FF"_s);
    EXPECT_EQ(OrvHTTPServices::unescapeString(u"50%"_s), u"50%"_s);
    EXPECT_EQ(OrvHTTPServices::unescapeString(u"%zz%3D"_s), u"%zz="_s);
}

TEST(OrvHTTPServicesForm, PairsKeepTheDictionaryOrder) {
    const OrvHTTPServices::Dictionary fields{
        {u"z"_s, u"1"_s}, {u"a b"_s, u"x=y&z"_s}, {u"empty"_s, u""_s}, {u"null"_s, QString()}};
    EXPECT_EQ(OrvHTTPServices::getFormDataString(fields), u"z=1&a%20b=x%3Dy%26z&empty=&null="_s);
    EXPECT_EQ(OrvHTTPServices::getFormDataString(std::nullopt), u""_s);
    EXPECT_EQ(OrvHTTPServices::getFormDataString(OrvHTTPServices::Dictionary{}), u""_s);
}

TEST(OrvHTTPServicesForm, RequestCarriesFormHeadersAndAsciiBody) {
    const auto form = OrvHTTPServices::getMutableURLRequest(
        u"http://127.0.0.1:1/p"_s, OrvHTTPServices::Dictionary{{u"k"_s, u"\u00e9"_s}}, 2.5);
    EXPECT_EQ(form.body, QByteArray("k=%C3%A9"));
    EXPECT_EQ(form.request.header(QNetworkRequest::ContentTypeHeader).toString(),
              u"application/x-www-form-urlencoded; charset=utf-8"_s);
    EXPECT_EQ(form.request.rawHeader("Content-Length"), QByteArray("8"));
    EXPECT_EQ(form.request.transferTimeout(), 2500);
    EXPECT_EQ(form.request.attribute(QNetworkRequest::CacheLoadControlAttribute).toInt(),
              int(QNetworkRequest::AlwaysNetwork));
}

TEST(OrvHTTPServicesUpload, MultipartBodyIsExact) {
    const QByteArray file("\x00\x01\r\n--AaB03x\xff", 12);
    const QByteArray expected =
        QByteArray(
            "--AaB03x\r\n"
            "Content-Disposition: form-data; name=\"upload[file]\"; filename=\"somefile\"\r\n"
            "Content-Type: application/octet-stream\r\n"
            "Content-Transfer-Encoding: binary\r\n"
            "\r\n") +
        file + QByteArray("\r\n--AaB03x--");
    EXPECT_EQ(OrvHTTPServices::generatePostDataForData(file), expected);
    EXPECT_EQ(OrvHTTPServices::generatePostDataForData(QByteArray()).size(), expected.size() - 12);
}

namespace {

class OrvHTTPServicesPost : public testing::Test {
protected:
    void SetUp() override { SKIP_QT_NETWORK_UNDER_TSAN(); }
    void TearDown() override { OrvHTTPServices::setPostTimeout(0); }
    FakeHttpServer server;
};

// Runs the call on a thread of its own, as the program does.
template <class F>
auto offMainThread(F call) {
    decltype(call()) answer;
    std::thread worker([&] { answer = call(); });
    worker.join();
    return answer;
}

}  // namespace

TEST_F(OrvHTTPServicesPost, PostFromAWorkerThreadSendsTheFormAndReturnsTheAnswer) {
    server.answer(u"/form"_s, {200, "ok \xe9"});
    const QString answer = offMainThread([&] {
        return OrvHTTPServices::getStringFromURL(server.url(u"/form"_s),
                                                 OrvHTTPServices::Dictionary{{u"a"_s, u"1 2"_s}});
    });
    EXPECT_EQ(answer, u"ok \u00e9"_s);
    ASSERT_EQ(server.requests().size(), 1);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, u"POST"_s);
    EXPECT_EQ(request.body, QByteArray("a=1%202"));
    EXPECT_EQ(request.headers.value(u"content-type"_s),
              u"application/x-www-form-urlencoded; charset=utf-8"_s);
    EXPECT_EQ(request.headers.value(u"content-length"_s), u"7"_s);
}

TEST_F(OrvHTTPServicesPost, EveryStatusAnswersItsBodyTransportFailureAnswersNothing) {
    answerEveryStatus(server);
    for (const int status : kCompletedStatuses) {
        EXPECT_EQ(offMainThread([&] {
                      return OrvHTTPServices::getStringFromURL(server.url(statusPath(status)),
                                                               std::nullopt);
                  }),
                  QString::fromLatin1(statusBody(status)))
            << status;
    }
    server.answer(u"/cut"_s, {200, QByteArray(1000, 'c'), "text/plain", 0, true});
    for (const QString& failing :
         {server.url(u"/cut"_s), u"http://127.0.0.1:1/refused"_s, u"not an address"_s}) {
        EXPECT_TRUE(offMainThread([&] {
                        return OrvHTTPServices::getStringFromURL(failing, std::nullopt);
                    }).isNull())
            << failing.toStdString();
    }
}

TEST_F(OrvHTTPServicesPost, SlowServerIsGivenUpAfterTheTimeOut) {
    OrvHTTPServices::setPostTimeout(300);
    server.answer(u"/slow"_s, {200, "late", "text/plain", 5000});
    QElapsedTimer clock;
    clock.start();
    const QString answer = offMainThread(
        [&] { return OrvHTTPServices::getStringFromURL(server.url(u"/slow"_s), std::nullopt); });
    EXPECT_TRUE(answer.isNull());
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(OrvHTTPServicesPost, GetAnswersTheBodyOfASuccessOnlyAndGivesUpOnASilentServer) {
    server.answer(u"/art"_s, {200, QByteArray("\xff\xd8 bytes", 8), "image/jpeg"});
    server.answer(u"/none"_s, {200, ""});
    server.answer(u"/missing"_s, {404, "not here"});
    server.answer(u"/slow"_s, {200, "late", "text/plain", 5000});
    const auto get = [&](const QString& path, int timeout) {
        return offMainThread(
            [&] { return OrvHTTPServices::getDataFromURL(server.url(path), timeout); });
    };
    EXPECT_EQ(get(u"/art"_s, 3000), QByteArray("\xff\xd8 bytes", 8));
    const QByteArray empty = get(u"/none"_s, 3000);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull()) << "an empty answer is not a failure";
    EXPECT_TRUE(get(u"/missing"_s, 3000).isNull());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(get(u"/slow"_s, 300).isNull());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(offMainThread([] {
                    return OrvHTTPServices::getDataFromURL(u"file:///etc/passwd"_s, 1000);
                }).isNull());
    ASSERT_FALSE(server.requests().isEmpty());
    EXPECT_EQ(server.requests().first().method, u"GET"_s);
}

namespace {

// One raw exchange on 127.0.0.1: cpp-httplib parses multipart bodies itself (and wants a line
// break after the closing boundary), so the upload is read straight off the socket instead.
class RawOneShotServer {
public:
    RawOneShotServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(listener_, 1);
        thread_ = std::thread([this] { serveOne(); });
    }
    ~RawOneShotServer() {
        exchange();
        ::close(listener_);
    }
    int port() const { return port_; }
    // Everything the client sent, once the exchange is over.
    QByteArray exchange() {
        if (thread_.joinable()) {
            thread_.join();
        }
        return received;
    }

private:
    void serveOne() {
        const int client = ::accept(listener_, nullptr, nullptr);
        char buffer[4096];
        qsizetype headerEnd = -1;
        qsizetype contentLength = 0;
        for (;;) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            received.append(buffer, qsizetype(n));
            if (headerEnd < 0 && (headerEnd = received.indexOf("\r\n\r\n")) >= 0) {
                const QByteArray head = received.left(headerEnd).toLower();
                const qsizetype at = head.indexOf("content-length:");
                contentLength =
                    head.mid(at + 15, head.indexOf('\r', at) - at - 15).trimmed().toLongLong();
            }
            if (headerEnd >= 0 && received.size() >= headerEnd + 4 + contentLength) {
                break;
            }
        }
        const char answer[] =
            "HTTP/1.1 201 Created\r\nContent-Length: 6\r\nConnection: close\r\n\r\nstored";
        ::send(client, answer, sizeof answer - 1, 0);
        ::close(client);
    }

    QByteArray received;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace

TEST(OrvHTTPServicesUploadTransfer, UploadSendsTheMultipartBodyAndHeaders) {
    SKIP_QT_NETWORK_UNDER_TSAN();
    const QByteArray file("PNG\x00\x01\r\n", 7);
    RawOneShotServer server;
    const QString answer = offMainThread([&] {
        return OrvHTTPServices::uploadFile(file, u"http://127.0.0.1:%1/up"_s.arg(server.port()));
    });
    EXPECT_EQ(answer, u"stored"_s);
    const QByteArray received = server.exchange();
    const qsizetype headerEnd = received.indexOf("\r\n\r\n");
    ASSERT_GT(headerEnd, 0);
    const QByteArray head = received.left(headerEnd);
    const QByteArray body = OrvHTTPServices::generatePostDataForData(file);
    EXPECT_TRUE(head.startsWith("POST /up HTTP/1.1\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nContent-Type: multipart/form-data; boundary=AaB03x"))
        << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nContent-Length: " + QByteArray::number(body.size())))
        << head.toStdString();
    EXPECT_EQ(received.mid(headerEnd + 4), body);
}
