#pragma once

#include <QString>

// The texts of the mail that tells someone about a game: its subject, and its HTML body made
// from the bundle's template "game_details_email". The values come from the catalogue service
// and may hold markup, "&", quotes or line breaks: every value is escaped for HTML before it
// replaces its token, so each shows as the text it is and no value can close an attribute.
// Pure: any thread.
class GameDetailsEmail {
public:
    static inline const QString kTemplateName = QStringLiteral("game_details_email");

    // "<game title> [<program name> for desktop]".
    static QString subject(const QString& gameTitle, const QString& appTitle);

    struct Values {
        QString criticonLink;
        QString iTunesLink;
        QString appTitle;
        QString customAppURL;
        QString gameTitle;
    };
    // The template with its five tokens replaced, every occurrence, in the template's order;
    // a null value replaces with "". A null template gives "".
    static QString body(const QString& emailTemplate, const Values& values);
};
