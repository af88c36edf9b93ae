#include "GameDetailsEmail.h"

#include "Format.h"
#include "StringExtensions.h"

using namespace Qt::Literals::StringLiterals;

QString GameDetailsEmail::subject(const QString& gameTitle, const QString& appTitle) {
    return Format::format(u"%@ [%@ for desktop]"_s, gameTitle, appTitle);
}

QString GameDetailsEmail::body(const QString& emailTemplate, const Values& values) {
    // The addresses sit in double-quoted attributes, the titles in text: the same escaping of
    // <, >, & and " serves both.
    const std::pair<QString, QString> tokens[] = {
        {u"**CRITICON_LINK**"_s, values.criticonLink},
        {u"**ITUNES_LINK**"_s, values.iTunesLink},
        {u"**APP_TITLE**"_s, values.appTitle},
        {u"**CUSTOM_APP_URL**"_s, values.customAppURL},
        {u"**GAME_TITLE**"_s, values.gameTitle},
    };
    QString text = emailTemplate.isNull() ? u""_s : emailTemplate;
    for (const auto& [token, value] : tokens) {
        text = stringByReplacing(text, token, value.toHtmlEscaped());
    }
    return text;
}
