#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The review service's documents as the service writes them: the product document, the review
// document, an article document and the error document. The stand-in services and the tests'
// fake review service both build theirs here, so there is one writer of each. Values go into
// the XML as given: CDATA sections verbatim, other element text escaped. Pure: any thread.
class ReviewDocuments {
public:
    // Where the screenshots of a Product live unless it says otherwise.
    static inline const QString kExampleScreenshotFolder =
        QStringLiteral("http://images.example.org/shots/");

    // One content element of a product document (or the body of an article document). A null
    // value leaves its child out.
    struct Article {
        // The element's type attribute; "reviews" marks the review.
        QString type = QStringLiteral("previews");
        // "article_" or "content_": the two spellings of the child names.
        QString prefix = QStringLiteral("article_");
        QString title;
        QString blurb;
        QString body;
        QString id;
        QString typeDisplay;
        // The service's time stamp, for example "{ts '2009-05-12 00:00:00'}".
        QString datePublished;
        QString author;
        // The article's own document (article_body_svc); for a review, the review's address.
        QString bodyService;
        QString linkBack;
        // CDATA sections on lines of their own instead of right inside their element.
        bool cdataBetweenLineBreaks = false;
    };

    struct Product {
        // Without it the document is not a valid product document.
        bool hasTitle = true;
        QString title = QStringLiteral("Test Game");
        // Nothing leaves the price element out.
        std::optional<QString> price = QStringLiteral("29.99");
        // Nothing: no review element. "": a review element without an address.
        std::optional<QString> reviewAddress;
        // The review element's other children; its type and address come from above.
        Article review = reviewDefaults();
        // How many related articles come before the review element.
        int reviewPosition = 0;
        int screenshots = 0;
        // Screenshot n (from 0) is <folder><n>.jpg, its thumbnail <n>_thumb.jpg and its
        // high-definition image <n>_hd.jpg.
        QString screenshotFolder = kExampleScreenshotFolder;
        QList<Article> related;
    };

    // A review element titled "The review", with nothing else.
    static Article reviewDefaults();

    static QByteArray productDocument(const Product& product);
    // A review document; nothing for a part leaves it out.
    static QByteArray reviewDocument(const std::optional<QString>& body,
                                     const std::optional<QString>& blurb = std::nullopt,
                                     const std::optional<QString>& author = std::nullopt,
                                     const std::optional<QString>& datePublished = std::nullopt);
    // The article alone, as its body service answers.
    static QByteArray articleDocument(const Article& article);
    // What the service answers a request it refuses (a wrong key, a bad query).
    static QByteArray errorDocument(int code, const QString& message);

    // Addresses of screenshot number i (from 0): the screen-size, thumbnail and HD images.
    static QString screenshotURL(int i, const QString& folder = kExampleScreenshotFolder);
    static QString thumbnailURL(int i, const QString& folder = kExampleScreenshotFolder);
    static QString highDefURL(int i, const QString& folder = kExampleScreenshotFolder);
};
