#pragma once

#include <QStringList>

#include "CatalogueGenerator.h"

// The fields of one sound catalogue row for `title` with review-site id `id` (game-site id "pb"
// and the same), critics' score 3.5, released 2009-03-05, published by "Pub"; written out by
// CatalogueGenerator::rowText and catalogueText.
inline QStringList gameFields(const QString& title, const QString& id) {
    QStringList fields =
        QStringLiteral(
            "|0|3.5|2.5|||wii|RPG|TEEN|Wii|Role-Playing|Teen|http://127.0.0.1:1/a.jpg|"
            "http://r/1|http://p/1|A quest|2009-03-05|Dev|Pub")
            .split(u'|');
    fields[0] = title;
    fields[4] = id;
    fields[5] = QStringLiteral("pb") + id;
    return fields;
}
