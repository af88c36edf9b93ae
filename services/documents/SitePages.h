#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct DemoGame;

// The two web sites of the demo games as small HTML pages with a title, text, links between them
// and an image: the review site (/site, /site/game/<criticon id>) and the game site
// (/games/<playbase id>). Read-only after construction: any thread.
class SitePages {
public:
    explicit SitePages(const QString& baseURL);

    QByteArray home() const;
    // Nothing for an unknown id.
    std::optional<QByteArray> reviewSitePage(const QString& criticonId) const;
    std::optional<QByteArray> gameSitePage(const QString& playbaseId) const;

private:
    QString reviewSiteURL(const QString& criticonId) const;
    QString gameSiteURL(const QString& playbaseId) const;
    QString boxArtURL(const DemoGame& game) const;
    QString boxArtImage(const DemoGame& game) const;

    QString baseURL_;
};
