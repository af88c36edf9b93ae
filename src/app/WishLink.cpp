#include "WishLink.h"

#include <QUrl>

#include "StringExtensions.h"

using namespace Qt::Literals::StringLiterals;

WishLink WishLink::fromURLString(const QString& url) {
    const QString closed = url + u'&';
    WishLink link;
    link.action = stringBetween(closed, u"action="_s, u"&"_s);
    // Read back unescaped, as written: an id is digits, but nothing of it may be lost.
    link.idCriticon = unescaped(stringBetween(closed, u"id="_s, u"&"_s));
    link.title = unescaped(stringBetween(closed, u"title="_s, u"&"_s));
    return link;
}

QString WishLink::linkForGame(const QString& scheme, const QString& host, const QString& idCriticon,
                              const QString& title) {
    return scheme + u"://"_s + host + u"?action=WISH&id="_s +
           QString::fromLatin1(QUrl::toPercentEncoding(idCriticon)) + u"&title="_s +
           QString::fromLatin1(QUrl::toPercentEncoding(title)) + u'&';
}

bool WishLink::offersWish() const {
    return !idCriticon.isEmpty() && action == u"WISH"_s;
}
