#pragma once

#include <QString>
#include <memory>

struct XPathResultDictionary;

// One related article of a game (a preview, a feature, news; never a review), filled from the
// XPath result of one content element of the product document. Every field may be missing
// (null). Shared between the detail page's list and the cell that shows it; main thread.
class RelatedContent {
public:
    static std::shared_ptr<RelatedContent> relatedContentWithXPathResultDictionary(
        const XPathResultDictionary& dictionary);

    // Sets the fields named by the element's children ("article_" and "content_" names alike);
    // the type comes from the element's first attribute unless a child names it.
    void populateWithXPathResultDictionary(const XPathResultDictionary& dictionary);

    // The article as a page of the review template; null when the template cannot be read.
    QString htmlInPageTemplate() const;

    static QString getFormattedDateStringFromTS(const QString& text);
    static QString getShortDateDisplayFromYMD(const QString& ymd);

    const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    // Plain text: tags are replaced when it is filled.
    const QString& blurb() const { return blurb_; }
    void setBlurb(const QString& blurb) { blurb_ = blurb; }
    const QString& body() const { return body_; }
    void setBody(const QString& body) { body_ = body; }
    const QString& articleID() const { return articleID_; }
    void setArticleID(const QString& articleID) { articleID_ = articleID; }
    const QString& typeValue() const { return typeValue_; }
    void setTypeValue(const QString& typeValue) { typeValue_ = typeValue; }
    const QString& typeDisplay() const { return typeDisplay_; }
    void setTypeDisplay(const QString& typeDisplay) { typeDisplay_ = typeDisplay; }
    // The service's time stamp, holding "ts '" and a YYYY-MM-DD date.
    const QString& dateTS() const { return dateTS_; }
    void setDateTS(const QString& dateTS) { dateTS_ = dateTS; }
    const QString& urlLink() const { return urlLink_; }
    void setUrlLink(const QString& urlLink) { urlLink_ = urlLink; }
    const QString& urlService() const { return urlService_; }
    void setUrlService(const QString& urlService) { urlService_ = urlService; }
    const QString& authorName() const { return authorName_; }
    void setAuthorName(const QString& authorName) { authorName_ = authorName; }

    // The record for the debug log ("%@").
    QString description() const;

private:
    QString title_;
    QString blurb_;
    QString body_;
    QString articleID_;
    QString typeValue_;
    QString typeDisplay_;
    QString dateTS_;
    QString urlLink_;
    QString urlService_;
    QString authorName_;
};
