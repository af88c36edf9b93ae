#include "RelatedContent.h"

#include <array>

#include "DetailDocuments.h"
#include "Format.h"
#include "Model.h"
#include "StringExtensions.h"
#include "XPathQuery.h"

using namespace Qt::Literals::StringLiterals;

std::shared_ptr<RelatedContent> RelatedContent::relatedContentWithXPathResultDictionary(
    const XPathResultDictionary& dictionary) {
    auto content = std::make_shared<RelatedContent>();
    content->populateWithXPathResultDictionary(dictionary);
    return content;
}

void RelatedContent::populateWithXPathResultDictionary(const XPathResultDictionary& dictionary) {
    struct Field {
        QStringView name;
        QString RelatedContent::*field;
        bool plainText;
    };
    // Compared in this order; the first name that matches decides.
    static const std::array<Field, 19> kFields{{
        {u"article_title", &RelatedContent::title_, false},
        {u"article_blurb", &RelatedContent::blurb_, true},
        {u"article_id", &RelatedContent::articleID_, false},
        {u"article_type_value", &RelatedContent::typeValue_, false},
        {u"article_type_display", &RelatedContent::typeDisplay_, false},
        {u"date_published", &RelatedContent::dateTS_, false},
        {u"link_back_url", &RelatedContent::urlLink_, false},
        {u"article_body_svc", &RelatedContent::urlService_, false},
        {u"article_author", &RelatedContent::authorName_, false},
        {u"article_body", &RelatedContent::body_, false},
        {u"content_title", &RelatedContent::title_, false},
        {u"content_blurb", &RelatedContent::blurb_, true},
        {u"content_id", &RelatedContent::articleID_, false},
        {u"content_type_value", &RelatedContent::typeValue_, false},
        {u"content_type_display", &RelatedContent::typeDisplay_, false},
        {u"content_date_published", &RelatedContent::dateTS_, false},
        {u"content_body_svc", &RelatedContent::urlService_, false},
        {u"content_author", &RelatedContent::authorName_, false},
        {u"content_body", &RelatedContent::body_, false},
    }};

    typeValue_ = AttributeValueFromXPathResultDictionary(dictionary, u"nodeContent"_s);
    for (const XPathResultDictionary& child : dictionary.nodeChildArray) {
        // A CDATA section lands in the child's first child; text beside it wins, even empty.
        QString value = child.nodeContent;
        if (value.isNull() && !child.nodeChildArray.empty()) {
            value = child.nodeChildArray.front().nodeContent;
        }
        for (const Field& field : kFields) {
            if (child.nodeName == field.name) {
                this->*field.field = field.plainText ? stringByReplacingHTML(value) : value;
                break;
            }
        }
    }
}

QString RelatedContent::htmlInPageTemplate() const {
    const QString moreURL =
        isNotEmptyOrNilString(urlLink_) ? urlLink_ : Model::instanceOf()->reviewSiteURL();
    return DetailDocuments::reviewPage(moreURL, authorName_, getFormattedDateStringFromTS(dateTS_),
                                       blurb_, DetailDocuments::withoutObjects(body_));
}

QString RelatedContent::getFormattedDateStringFromTS(const QString& text) {
    return DetailDocuments::getFormattedDateStringFromTS(text);
}

QString RelatedContent::getShortDateDisplayFromYMD(const QString& ymd) {
    return DetailDocuments::getShortDateDisplayFromYMD(ymd);
}

QString RelatedContent::description() const {
    return Format::format(
        u"\n+----------[ RelatedContent ] -------------+\n"
        u"\ttitle\t\t\t\t= [%@]\n"
        u"\tauthorName\t\t\t= [%@]\n"
        u"\tdateTS\t\t\t\t= [%@]\n"
        u"\ttypeDisplay\t\t= [%@]\n"
        u"\ttypeValue\t\t\t= [%@]\n"
        u"\tarticleID\t\t\t= [%@]\n"
        u"\turlLink\t\t\t= [%@]\n"
        u"\turlService\t\t\t= [%@]\n"
        u"\tblurb\t\t\t\t= [%@]\n"
        u"\tbody\t\t\t\t= [%@]\n"_s,
        title_, authorName_, dateTS_, typeDisplay_, typeValue_, articleID_, urlLink_, urlService_,
        blurb_, body_);
}
