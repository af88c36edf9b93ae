// Reading a product document, measured beside libxml2 alone in the same run; "vs_baseline" is
// our time divided by the baseline's.
//
// The document: about 200 kB of the review service's product XML with a review element, 40
// screenshots and 30 related articles. Ours: everything the detail page does with it: the
// related-articles query with conversion to records (reversed, linked to the game), the
// validity, price and review-address cutting, the screenshot query with conversion to 35
// records, and the screenshot page. Goal: within 1.5 times the baseline.
//
// Baseline: libxml2 parsing the same bytes in recover mode and evaluating the same two
// expressions, with no conversion, once per expression as the page does it (each query parses
// its own document). "vs_one_parse" compares with a single parse serving both expressions.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <QCoreApplication>

#include "BaselineTiming.h"
#include "DetailDocuments.h"
#include "FakeReviewService.h"
#include "ReviewDocuments.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kScreenshots = 40;
constexpr int kArticles = 30;
const QString kGameLink = u"http://site.example.org/game/1001"_s;

QString productDocument() {
    static const QString document = [] {
        FakeReviewService::Product product;
        product.reviewAddress = u"http://svc.example.org/review/1001"_s;
        product.screenshots = kScreenshots;
        const QString paragraph =
            u"<p>The campaign opens on a frozen coast where every choice costs supplies, and the "
            u"crew remembers who was left behind. Combat is quick; the quiet is long.</p>\n"_s;
        for (int i = 0; i < kArticles; ++i) {
            FakeReviewService::Article article;
            article.type = i % 3 == 0 ? u"news"_s : u"previews"_s;
            article.prefix = i % 2 == 0 ? u"article_"_s : u"content_"_s;
            article.title = u"Article number %1 about the game"_s.arg(i);
            article.blurb = u"A <b>short</b> summary of article %1."_s.arg(i);
            article.body = paragraph.repeated(36);
            article.id = QString::number(5000 + i);
            article.typeDisplay = u"Preview"_s;
            article.datePublished = u"{ts '2009-05-12 10:00:00'}"_s;
            article.author = u"Ann Writer"_s;
            article.bodyService = u"http://svc.example.org/article/%1"_s.arg(5000 + i);
            article.linkBack = u"http://site.example.org/article/%1"_s.arg(5000 + i);
            product.related.append(article);
        }
        return QString::fromUtf8(ReviewDocuments::productDocument(product));
    }();
    return document;
}

const char* const kExpressions[] = {"//related_content/content[@type!='reviews']",
                                    "//related_media/media[@type='screenshot']"};

// Parses the bytes and counts the nodes each expression selects; -1 on any failure.
int evaluate(const QByteArray& bytes, xmlDocPtr document, const char* expression) {
    xmlDocPtr parsed = document;
    if (parsed == nullptr) {
        parsed =
            xmlReadMemory(bytes.constData(), int(bytes.size()), "", nullptr, XML_PARSE_RECOVER);
        if (parsed == nullptr) {
            return -1;
        }
    }
    int count = -1;
    if (xmlXPathContextPtr context = xmlXPathNewContext(parsed)) {
        if (xmlXPathObjectPtr found =
                xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression), context)) {
            count = found->nodesetval ? found->nodesetval->nodeNr : 0;
            xmlXPathFreeObject(found);
        }
        xmlXPathFreeContext(context);
    }
    if (document == nullptr) {
        xmlFreeDoc(parsed);
    }
    return count;
}

bool expectedCounts(int related, int screenshots) {
    return related == kArticles && screenshots == kScreenshots;
}

void Product200k_Baseline_Libxml2(benchmark::State& state) {
    const QString body = productDocument();
    state.counters["bytes"] = double(body.toUtf8().size());
    timeEachIteration(state, "Product200k", true, "libxml2 did not find every node", [&] {
        const QByteArray bytes = body.toUtf8();
        return expectedCounts(evaluate(bytes, nullptr, kExpressions[0]),
                              evaluate(bytes, nullptr, kExpressions[1]));
    });
}

void Product200k_Baseline_Libxml2OneParse(benchmark::State& state) {
    const QString body = productDocument();
    timeEachIteration(state, "Product200kOneParse", true, "libxml2 did not find every node", [&] {
        const QByteArray bytes = body.toUtf8();
        xmlDocPtr document =
            xmlReadMemory(bytes.constData(), int(bytes.size()), "", nullptr, XML_PARSE_RECOVER);
        const bool ok =
            document != nullptr && expectedCounts(evaluate(bytes, document, kExpressions[0]),
                                                  evaluate(bytes, document, kExpressions[1]));
        xmlFreeDoc(document);
        return ok;
    });
}

void Product200k(benchmark::State& state) {
    const QString body = productDocument();
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const QByteArray bytes = body.toUtf8();
        const auto related = DetailDocuments::relatedContentFromProductDocument(bytes, kGameLink);
        bool ok = DetailDocuments::isProductDocument(body);
        const QString price = DetailDocuments::priceFromProductDocument(body);
        const QString reviewLink = DetailDocuments::reviewLinkFromProductDocument(body);
        QList<Screenshot> shots;
        QString page;
        if (DetailDocuments::hasScreenshots(body)) {
            shots = DetailDocuments::screenshotsFromProductDocument(bytes);
            page = DetailDocuments::screenshotPage(shots, kGameLink);
        }
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        ok = ok && related.size() == kArticles &&
             shots.size() == DetailDocuments::kMaxScreenshots && price == u"29.99"_s &&
             !reviewLink.isEmpty() && !page.isEmpty();
        if (!ok) {
            state.SkipWithError("the document was not read in full");
        }
    }
    report(state, "Product200k", total, false);
    const auto oneParse = baselineSeconds().find("Product200kOneParse");
    if (state.iterations() > 0 && oneParse != baselineSeconds().end() && oneParse->second > 0) {
        state.counters["vs_one_parse"] = total / double(state.iterations()) / oneParse->second;
    }
}

void registerAll() {
    registerTimed("Product200k_Baseline_Libxml2", Product200k_Baseline_Libxml2,
                  benchmark::kMicrosecond);
    registerTimed("Product200k_Baseline_Libxml2OneParse", Product200k_Baseline_Libxml2OneParse,
                  benchmark::kMicrosecond);
    registerTimed("Product200k", Product200k, benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    runBenchmarks(argc, argv, registerAll);
    return 0;
}
