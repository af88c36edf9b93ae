// The review service's documents on any bytes: the product document (related articles and
// screenshots through XPath, price, review address), the article and review documents, and the
// pages built from what they hold. Nothing may crash, and what is read is bounded by the input.

#include "DetailDocuments.h"
#include "FuzzTarget.h"
#include "XPathQuery.h"

FUZZ_WITH_CORE_APPLICATION()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString body = QString::fromUtf8(bytes);

    const auto related = DetailDocuments::relatedContentFromProductDocument(
        bytes, QStringLiteral("http://games.example/game/1"));
    for (const auto& content : related) {
        FUZZ_CHECK(content != nullptr);
        FUZZ_CHECK(!content->htmlInPageTemplate().isNull());
    }
    const auto article = DetailDocuments::relatedContentFromArticleDocument(bytes);
    FUZZ_CHECK(article != nullptr);
    article->htmlInPageTemplate();

    const QList<Screenshot> screenshots = DetailDocuments::screenshotsFromProductDocument(bytes);
    FUZZ_CHECK(screenshots.size() <= DetailDocuments::kMaxScreenshots);
    FUZZ_CHECK(
        !DetailDocuments::screenshotPage(screenshots, QStringLiteral("http://more")).isNull());
    DetailDocuments::hasScreenshots(body);
    DetailDocuments::isProductDocument(body);
    FUZZ_CHECK(DetailDocuments::priceFromProductDocument(body).size() <= body.size());
    FUZZ_CHECK(DetailDocuments::reviewLinkFromProductDocument(body).size() <= body.size());

    if (const auto review = DetailDocuments::reviewFromReviewDocument(body)) {
        const QString page = DetailDocuments::reviewPage(
            QStringLiteral("http://more"), review->byName, review->date, review->blurb,
            DetailDocuments::withoutObjects(review->html));
        FUZZ_CHECK(!page.isNull());
    }
    FUZZ_CHECK(DetailDocuments::withoutObjects(body).size() <= body.size());
    DetailDocuments::getFormattedDateStringFromTS(body);

    // The query layer alone, over every node and attribute of the document.
    if (const auto nodes = PerformXMLXPathQuery(bytes, QStringLiteral("//*[@*]"))) {
        for (const XPathResultDictionary& node : *nodes) {
            AttributeValueFromXPathResultDictionary(node, QStringLiteral("nodeContent"));
            FUZZ_CHECK(node.nodeName.size() <= bytes.size());
        }
    }
    return 0;
}
