#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "Button.h"
#include "CapturedConsole.h"
#include "DetailPage.h"
#include "EventLoopWatchdog.h"
#include "FakeHttpServer.h"
#include "ImageLoader.h"
#include "MetricsWriter.h"
#include "MobiWebViewController.h"
#include "Model.h"
#include "NetworkTestSupport.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedClock.h"
#include "ScopedEnv.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::StringLiterals;

namespace {

// Every request's time-out, shortened through the program's own settings.
constexpr int kTimeoutMsecs = 500;
constexpr int kLateMsecs = 3000;
// Growth allowed beyond a request's own limit: on loopback Qt's network thread can read some
// 20 MB before the read-ahead limit set on a new reply reaches it; the decoding of small answers.
constexpr qint64 kOverheadBytes = 32 * 1024 * 1024;

enum Fault { Refused, Stalled, Cut, ServerError, Garbage, HugeAnnounced, HugeStreamed, Loop };
const char* const kFaultNames[] = {"Refused", "Stalled",       "Cut",          "ServerError",
                                   "Garbage", "HugeAnnounced", "HugeStreamed", "RedirectLoop"};

// A field of /proc/self/status in bytes. Writing 5 to clear_refs resets the peak (VmHWM) to
// what the process holds now.
qint64 statusBytes(const QByteArray& field) {
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    const qsizetype at = text.indexOf(field + ':');
    return text.mid(at + field.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
}
qint64 resetPeakResident() {
    QFile clear(u"/proc/self/clear_refs"_s);
    clear.open(QIODevice::WriteOnly);
    clear.write("5");
    clear.close();
    return statusBytes("VmRSS");
}

// One kind of request, set up against a base address the way the program makes it; ended once
// the program has dealt with the outcome, which outcome() tells from what the user or the
// store is left with.
struct Request {
    Request(QString requestPath, qint64 limit) : path(std::move(requestPath)), maxBytes(limit) {}
    virtual ~Request() = default;
    virtual void start() = 0;
    virtual bool ended() = 0;
    virtual QString outcome() = 0;
    const QString path;
    const qint64 maxBytes;
};

// The day's catalogue update into a store holding one wished game.
struct CatalogueUpdate : Request {
    CatalogueUpdate(FakeHttpServer&, const QString& base)
        : Request(u"/DB2Web/execute.do"_s, UpdateController::kMaxUpdateBytes),
          service("QUESTLOG_CATALOGUE_SERVICE", base.toUtf8()) {
        Model::resetInstance();
        UserDefaults::resetStandardUserDefaults();
        store.add(u"Kept"_s)->setMyIsWished(1);
        store.context->save(nullptr);
        controller.setLastUpdateYMD(u"2010-03-01"_s);
    }
    ~CatalogueUpdate() override { Model::resetInstance(); }
    void start() override { controller.startWebUpdateCall(); }
    bool ended() override { return controller.connection() && controller.connection()->result(); }
    QString outcome() override {
        const QList<Game*> games = store.gamesByTitle();
        return u"%1 games, wished %2, report %3"_s.arg(games.size())
            .arg(games.isEmpty() ? -1 : games[0]->myIsWished().value_or(0))
            .arg(controller.getLastUpdateYMD());
    }
    ScopedClock clock{QDateTime(QDate(2010, 3, 10), QTime(9, 0))};
    ScopedEnv service;
    TestStore store;
    UpdateController controller{store.context.get(), store.model.get()};
};

// The detail page's product query, or its review request after a good product answer.
struct DetailDocument : Request {
    DetailDocument(FakeHttpServer& server, const QString& base, bool review)
        : Request(review ? u"/svc/review/1"_s : u"/svc/product/get_single/"_s,
                  review ? DetailPage::kMaxReviewBytes : DetailPage::kMaxProductBytes),
          service("QUESTLOG_REVIEW_SERVICE", (review ? server.url() : base).toUtf8()) {
        Model::resetInstance();
        if (review) {
            ReviewDocuments::Product product;
            product.reviewAddress = base + path;
            server.answer(u"/svc/product/get_single/"_s,
                          {200, ReviewDocuments::productDocument(product), "text/xml"});
        }
        Game* game = store.add(u"Game"_s);
        game->setIdCriticon(u"1"_s);
        page.setGame(game);
    }
    ~DetailDocument() override { Model::resetInstance(); }
    void start() override { page.getDetailXML(); }
    bool ended() override {
        return !page.reviewActivityIndicator()->isAnimating() &&
               !page.screensActivityIndicator()->isAnimating();
    }
    // The enabled tabs in upper case, the price and the review text (~ for none).
    QString outcome() override {
        QString tabs;
        for (const auto& [tab, letter] : {std::pair{page.tabReviews(), u'r'},
                                          {page.tabScreens(), u's'},
                                          {page.tabOther(), u'o'}}) {
            tabs += tab->isEnabled() ? QChar(letter).toUpper() : QChar(letter);
        }
        const QString review = page.reviewHTML();
        return u"%1 [%2] %3"_s.arg(tabs, page.priceLabel()->text(),
                                   review.isNull() ? u"~"_s : review);
    }
    ScopedEnv service;
    TestStore store;
    DetailPage page;
};

// The viewer's article document, fetched the way the viewer fetches it.
struct ArticleDocument : Request, OrvConnectionDelegate {
    ArticleDocument(FakeHttpServer&, const QString& base)
        : Request(u"/svc/article/7"_s, MobiWebViewController::kMaxArticleBytes),
          connection(OrvConnection::connectionWithURLString(base + path, this)) {
        connection->setMaxBodyBytes(maxBytes);
    }
    void start() override { connection->start(); }
    bool ended() override { return !result.isEmpty(); }
    QString outcome() override { return result; }
    void orvConnectionSuccessWithConnection(OrvConnection*, const QString&) override {
        result = u"answered"_s;
    }
    void orvConnectionFailureWithConnection(OrvConnection*, const OrvError&) override {
        result = u"failed"_s;
    }
    std::unique_ptr<OrvConnection> connection;
    QString result;
};

// Box art through the shared loader's workers.
struct BoxArt : Request {
    BoxArt(FakeHttpServer&, const QString& base)
        : Request(u"/box-art/wii/1.jpg"_s, ImageLoader::kMaxImageBytes), url(base + path) {
        ImageLoader::setDownloadTimeout(kTimeoutMsecs);
        NotificationCenter::defaultCenter()->addObserver(
            this, ImageLoader::kImagePulledPrefix + url,
            [this](const Notification&) { pulled = true; });
        loader->notFoundImage();
    }
    ~BoxArt() override {
        NotificationCenter::defaultCenter()->removeObserver(this);
        ImageLoader::resetInstance();
        ImageLoader::setDownloadTimeout(0);
    }
    void start() override { loader->getImageForImageURL(url); }
    bool ended() override { return pulled && loader->isIdle(); }
    QString outcome() override {
        return u"failed %1, not found shown %2, kept %3"_s.arg(loader->isFailed(url))
            .arg(loader->getImageForImageURL(url) == loader->notFoundImage())
            .arg(!loader->getCachedOrDiskImageForImageURL(url).isNull());
    }
    const QString url;
    ImageLoader* loader = ImageLoader::instanceOf();
    std::atomic<bool> pulled{false};
};

// A usage metric through the background sender.
struct Metric : Request {
    Metric(FakeHttpServer&, const QString& base)
        : Request(u"/MetricsSystem/execute.do"_s, 0), url(base + path) {
        MetricsWriter::setRequestTimeout(kTimeoutMsecs);
    }
    ~Metric() override { MetricsWriter::setRequestTimeout(0); }
    void start() override { MetricsWriter::writeMetric(u"m"_s, {}, {}, {}, {}, url); }
    bool ended() override { return MetricsWriter::waitForIdle(0); }
    QString outcome() override {
        return u"dropped %1"_s.arg(MetricsWriter::droppedCount() - dropped);
    }
    const QString url;
    const int dropped = MetricsWriter::droppedCount();
};

template <typename T, auto... extra>
std::unique_ptr<Request> make(FakeHttpServer& server, const QString& base) {
    return std::make_unique<T>(server, base, extra...);
}

const struct Kind {
    const char* name;
    std::unique_ptr<Request> (*make)(FakeHttpServer&, const QString&);
    // What the program is left with after a broken transfer, and after a whole but wrong answer.
    QString broken, wrong;
    // The request is done once the answer's headers are in; the rest is never read.
    bool headersSuffice = false;
} kKinds[] = {
    {"CatalogueUpdate", make<CatalogueUpdate>, u"1 games, wished 1, report 2010-03-01"_s,
     u"1 games, wished 1, report 2010-03-01"_s},
    {"ProductDocument", make<DetailDocument, false>, u"rso [] ~"_s, u"rso [] ~"_s},
    {"ReviewDocument", make<DetailDocument, true>, u"Rso [$29.99] ~"_s,
     u"Rso [$29.99] "_s + DetailPage::kReviewFailureText},
    {"ArticleDocument", make<ArticleDocument>, u"failed"_s, u"answered"_s},
    {"BoxArt", make<BoxArt>, u"failed 1, not found shown 1, kept 0"_s,
     u"failed 1, not found shown 1, kept 0"_s},
    {"Metric", make<Metric>, u"dropped 0"_s, u"dropped 0"_s, true},
};

FakeHttpServer::Response answerFor(Fault fault, const QString& path, qint64 hugeBytes) {
    FakeHttpServer::Response response{200, QByteArray(8192, 'c'), "text/xml"};
    switch (fault) {
        case Stalled:
            response.delayMsecs = 60000;
            break;
        case Cut:
            response.cutMidBody = true;
            break;
        case ServerError:
            return {500, "<!DOCTYPE html><html><body><h1>Server Error</h1></body></html>",
                    "text/html"};
        case Garbage:
            for (char& byte : response.body) {
                byte = char(QRandomGenerator::global()->bounded(256));
            }
            break;
        case HugeAnnounced:
        case HugeStreamed:
            response.streamBytes = hugeBytes;
            response.announceLength = fault == HugeAnnounced;
            break;
        case Loop:
            return {302,   "<html>moved</html>",         "text/html", 0,
                    false, {{"Location", path.toUtf8()}}};
        case Refused:
            break;
    }
    return response;
}

class NetworkFault : public testing::TestWithParam<std::tuple<int, int>> {
protected:
    void SetUp() override {
        SKIP_QT_NETWORK_UNDER_TSAN();
        OrvConnection::setTransferTimeout(kTimeoutMsecs);
    }
    void TearDown() override { OrvConnection::setTransferTimeout(0); }
};

}  // namespace

// Each request against each fault ends within its time-out with what the program shows on
// failure, logs a broken transfer, holds no more than its limit of an oversized answer and
// never holds the main thread up.
TEST_P(NetworkFault, EndsInTimeHandledBoundedAndWithoutBlocking) {
    const Kind& kind = kKinds[std::get<0>(GetParam())];
    const auto fault = Fault(std::get<1>(GetParam()));
    FakeHttpServer server;
    const QString base = fault == Refused ? server.refusedUrl() : server.url();
    const std::unique_ptr<Request> request = kind.make(server, base);
    // Far above the limit and the growth allowed, and above what loopback buffers take in once
    // reading has stopped.
    const qint64 huge = 2 * (request->maxBytes + kOverheadBytes);
    server.answer(request->path, answerFor(fault, request->path, huge));

    CapturedConsole console;
    const qint64 residentBefore = resetPeakResident();
    const auto started = std::chrono::steady_clock::now();
    EventLoopWatchdog watchdog;
    request->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return request->ended(); }, 20000));
    const qint64 worstGap = watchdog.worstGapMsecs();
    const qint64 msecs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    const qint64 growth = statusBytes("VmHWM") - residentBefore;
    const QString log = console.text();
    std::printf("[ network ] %s x %s: %lld ms, main thread held %lld ms, peak +%lld KiB\n",
                kind.name, kFaultNames[fault], msecs, worstGap, growth / 1024);

    const bool broken = kind.headersSuffice ? fault == Refused || fault == Stalled
                                            : fault != ServerError && fault != Garbage;
    EXPECT_EQ(request->outcome(), broken ? kind.broken : kind.wrong);
    EXPECT_LT(msecs, kTimeoutMsecs + kLateMsecs);
    // The body held, and the copy made while it grows; and the rest never read.
    EXPECT_LE(growth, 2 * request->maxBytes + kOverheadBytes);
    EXPECT_LT(server.bytesStreamed(), huge);
    if (broken) {
        EXPECT_TRUE(log.contains(base + request->path)) << log.toStdString();
    }
    // Refused by the request's own limit, not by a looser one further down.
    if (!kind.headersSuffice && (fault == HugeAnnounced || fault == HugeStreamed)) {
        EXPECT_TRUE(log.contains(u"larger than the %1 bytes"_s.arg(request->maxBytes)))
            << log.toStdString();
    }
    // Sanitizers and valgrind slow every step many times over: there a gap measures the tool.
    if (EventLoopWatchdog::timingIsMeaningful()) {
        EXPECT_LE(worstGap, 50);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRequestEveryFault, NetworkFault,
                         testing::Combine(testing::Range(0, int(std::size(kKinds))),
                                          testing::Range(0, int(std::size(kFaultNames)))),
                         [](const auto& test) {
                             return std::string(kKinds[std::get<0>(test.param)].name) + "_" +
                                    kFaultNames[std::get<1>(test.param)];
                         });
