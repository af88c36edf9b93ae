#pragma once

#include <QString>

// A link of the program's own scheme that offers a game for the wish list:
// "<scheme>://<host>?action=WISH&id=<id>&title=<title>&". Only the parameters are read; the host
// is never looked at. Pure: any thread.
class WishLink {
public:
    // Each parameter is the text between the first "<name>=" and the next "&" (the link is read
    // as if it ended with one); the title is then unescaped. Missing parameters are "".
    static WishLink fromURLString(const QString& url);

    // The link for a game. The id and the title are percent-encoded whole, so that reading the
    // link gives both back as they were, "&" and "=" included.
    static QString linkForGame(const QString& scheme, const QString& host,
                               const QString& idCriticon, const QString& title);

    // True when the link asks to put a game on the wish list ("WISH", exactly, and an id).
    bool offersWish() const;

    QString action;
    QString idCriticon;
    QString title;
};
