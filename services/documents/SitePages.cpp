#include "SitePages.h"

#include <QLocale>

#include "CatalogueGenerator.h"
#include "DemoCatalogue.h"

using namespace Qt::StringLiterals;

namespace {

// Games the home page lists per platform, spread over the whole catalogue.
constexpr int kHomeGamesPerPlatform = 8;

// Field numbers of a catalogue row.
enum Field {
    kCriticScore = 1,
    kPlayerScore = 3,
    kPlatformName = 9,
    kGenreName = 10,
    kRatingName = 11,
    kDescription = 15,
    kDeveloper = 17,
    kPublisher = 18
};

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

// Written as well-formed XML as well as HTML, so that any reader takes it apart the same way.
QByteArray page(const QString& title, const QString& body) {
    return (u"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
            u"<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n"
            u"<title>"_s +
            esc(title) +
            u"</title>\n<style>\n"
            u"body { font-family: sans-serif; margin: 12px; color: #222; }\n"
            u"img.box { float: right; margin: 0 0 8px 8px; border: 1px solid #999; }\n"
            u"img.thumb { vertical-align: middle; margin-right: 6px; }\n"
            u"dt { font-weight: bold; }\nnav { clear: both; margin-top: 12px; }\n"
            u"</style>\n</head>\n<body>\n"_s +
            body + u"</body>\n</html>\n"_s)
        .toUtf8();
}

QString link(const QString& address, const QString& text) {
    return u"<a href=\""_s + esc(address) + u"\">"_s + esc(text) + u"</a>"_s;
}

QString releaseText(const DemoGame& game) {
    const QDate date = game.releaseDate();
    return date.isValid()
               ? QLocale(QLocale::English, QLocale::UnitedStates).toString(date, u"MMMM d, yyyy"_s)
               : u"To be announced"_s;
}

QString scoreText(const QString& score) {
    return score.isEmpty() || score == u"0"_s ? u"Not yet rated"_s : score + u" out of 5"_s;
}

QString facts(const QList<std::pair<QString, QString>>& rows) {
    QString html = u"<dl>\n"_s;
    for (const auto& [name, value] : rows) {
        html += u"<dt>"_s + esc(name) + u"</dt><dd>"_s + esc(value) + u"</dd>\n"_s;
    }
    return html + u"</dl>\n"_s;
}

}  // namespace

SitePages::SitePages(const QString& baseURL) : baseURL_(baseURL) {}

QByteArray SitePages::home() const {
    QString body =
        u"<h1>Criticon</h1>\n<p>Reviews, previews and news of the games on six platforms. "
        u"Pick a game to read what we made of it.</p>\n"_s;
    for (const QString& platform : CatalogueGenerator::platforms()) {
        const QList<DemoGame>& games = DemoCatalogue::shared().shippedGames(platform);
        if (games.isEmpty()) {
            continue;
        }
        body += u"<h2>"_s + esc(games.front().text(kPlatformName)) + u"</h2>\n<ul>\n"_s;
        const int shown = int(qMin<qsizetype>(kHomeGamesPerPlatform, games.size()));
        for (int i = 0; i < shown; ++i) {
            const DemoGame& game = games[int(qsizetype(i) * games.size() / shown)];
            body += u"<li><img class=\"thumb\" src=\""_s + esc(boxArtURL(game)) +
                    u"\" alt=\"\" width=\"30\" height=\"42\"/>"_s +
                    link(reviewSiteURL(game.criticonId()), game.title()) + u" ("_s +
                    esc(game.text(kGenreName)) + u", "_s +
                    QString::number(game.releaseDate().year()) + u")</li>\n"_s;
        }
        body += u"</ul>\n"_s;
    }
    return page(u"Criticon: game reviews"_s, body);
}

std::optional<QByteArray> SitePages::reviewSitePage(const QString& criticonId) const {
    const DemoGame* game = DemoCatalogue::shared().findByCriticonId(criticonId);
    if (!game) {
        return std::nullopt;
    }
    const QString title = game->title();
    QString body = u"<h1>"_s + esc(title) + u"</h1>\n"_s + boxArtImage(*game) + u"<p>"_s +
                   esc(game->text(kDescription)) + u"</p>\n"_s +
                   facts({{u"Platform"_s, game->text(kPlatformName)},
                          {u"Genre"_s, game->text(kGenreName)},
                          {u"Rating"_s, game->text(kRatingName)},
                          {u"Released"_s, releaseText(*game)},
                          {u"Criticon score"_s, scoreText(game->fields.value(kCriticScore))}});
    body += u"<nav>\n<p>"_s + link(gameSiteURL(game->playbaseId()), u"More about "_s + title) +
            u" on Playbase</p>\n"_s;
    // Neighbours in the shipped catalogue, so the site can be browsed game by game.
    const QList<DemoGame>& shipped = DemoCatalogue::shared().shippedGames(game->platform);
    if (game->index < shipped.size() && shipped[game->index].criticonId() == criticonId) {
        for (const auto& [step, label] : {std::pair{-1, u"Previous: "_s}, {1, u"Next: "_s}}) {
            const qsizetype at = game->index + step;
            if (at >= 0 && at < shipped.size()) {
                body += u"<p>"_s + esc(label) +
                        link(reviewSiteURL(shipped[at].criticonId()), shipped[at].title()) +
                        u"</p>\n"_s;
            }
        }
    }
    body += u"<p>"_s + link(baseURL_ + u"/site"_s, u"Criticon home"_s) + u"</p>\n</nav>\n"_s;
    return page(title + u" review | Criticon"_s, body);
}

std::optional<QByteArray> SitePages::gameSitePage(const QString& playbaseId) const {
    const DemoGame* game = DemoCatalogue::shared().findByPlaybaseId(playbaseId);
    if (!game) {
        return std::nullopt;
    }
    const QString title = game->title();
    const QString criticScore = game->fields.value(kCriticScore);
    const bool reviewed = !criticScore.isEmpty() && criticScore != u"0"_s;
    QString body = u"<h1>"_s + esc(title) + u"</h1>\n"_s + boxArtImage(*game) +
                   facts({{u"Platform"_s, game->text(kPlatformName)},
                          {u"Developer"_s, game->text(kDeveloper)},
                          {u"Publisher"_s, game->text(kPublisher)},
                          {u"Release date"_s, releaseText(*game)},
                          {u"Players' score"_s, scoreText(game->fields.value(kPlayerScore))}}) +
                   u"<p>"_s + esc(game->text(kDescription)) + u"</p>\n"_s;
    body += u"<nav>\n<p>"_s +
            link(reviewSiteURL(game->criticonId()),
                 reviewed ? u"Read the Criticon review"_s : u"Follow it on Criticon"_s) +
            u"</p>\n<p>"_s + link(baseURL_ + u"/site"_s, u"All games"_s) + u"</p>\n</nav>\n"_s;
    return page(title + u" | Playbase"_s, body);
}

QString SitePages::reviewSiteURL(const QString& criticonId) const {
    return baseURL_ + u"/site/game/"_s + criticonId;
}

QString SitePages::gameSiteURL(const QString& playbaseId) const {
    return baseURL_ + u"/games/"_s + playbaseId;
}

QString SitePages::boxArtURL(const DemoGame& game) const {
    return baseURL_ + u"/box-art/"_s + game.platform + u'/' + game.criticonId() + u".jpg"_s;
}

QString SitePages::boxArtImage(const DemoGame& game) const {
    return u"<img class=\"box\" src=\""_s + esc(boxArtURL(game)) + u"\" alt=\"Box art of "_s +
           esc(game.title()) + u"\" width=\"120\" height=\"170\"/>\n"_s;
}
