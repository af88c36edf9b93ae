#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "RelatedContent.h"
#include "Screenshot.h"

// Reading the review service's two documents and building the pages shown from them: the
// product document (related articles and screenshots by XPath; validity, price and review
// address by cutting text) and the review document (cutting only). Texts in, plain values out;
// nothing here touches a screen or the network. Pure apart from the debug log and the bundle's
// templates: any thread.
class DetailDocuments {
public:
    static inline const QString kRelatedContentQuery =
        QStringLiteral("//related_content/content[@type!='reviews']");
    static inline const QString kScreenshotQuery =
        QStringLiteral("//related_media/media[@type='screenshot']");
    // At most this many screenshots are kept.
    static constexpr int kMaxScreenshots = 35;

    // Product document.
    // The related articles other than reviews, last in the document first, each linking to the
    // game's page (gameLink). Read whether or not the document is valid.
    static QList<std::shared_ptr<RelatedContent>> relatedContentFromProductDocument(
        const QByteArray& utf8Body, const QString& gameLink);
    static bool isProductDocument(const QString& body);
    // Article document: its first content element; an empty record when it has none or the
    // text is not XML.
    static std::shared_ptr<RelatedContent> relatedContentFromArticleDocument(
        const QByteArray& utf8Body);
    // "" when the document has no price.
    static QString priceFromProductDocument(const QString& body);
    // Null when the document names no review; "" when its review element has no address.
    static QString reviewLinkFromProductDocument(const QString& body);
    static bool hasScreenshots(const QString& body);
    // The first kMaxScreenshots screenshots, kept even without any address.
    static QList<Screenshot> screenshotsFromProductDocument(const QByteArray& utf8Body);
    // One image line per screenshot with an address longer than five characters; null when the
    // template cannot be read.
    static QString screenshotPage(const QList<Screenshot>& screenshots, const QString& moreURL);

    // Review document.
    struct Review {
        QString html;
        QString blurb;
        QString byName;
        // Formatted for display; null when the document's date cannot be read.
        QString date;
    };
    // Nothing when the text is not a review document (it has no body).
    static std::optional<Review> reviewFromReviewDocument(const QString& body);

    // Pages.
    // The review template filled with the five values (null ones as ""); null when the
    // template cannot be read. Each token is filled once, so a value that holds a token's text
    // shows as it is.
    static QString reviewPage(const QString& moreURL, const QString& reviewedBy,
                              const QString& reviewedDate, const QString& reviewBlurb,
                              const QString& body);
    // The HTML without its embedded objects: while an "<object" remains, every copy of the first
    // "<object...</object>" is removed; an "<object" that is never closed is left in place.
    static QString withoutObjects(const QString& html);

    // Dates.
    // The date after "ts '" up to the next blank, as getShortDateDisplayFromYMD shows it.
    static QString getFormattedDateStringFromTS(const QString& text);
    // "May 12, 2009" in English, in the default locale; null unless ymd has 10 characters and
    // reads as a date.
    static QString getShortDateDisplayFromYMD(const QString& ymd);
};
