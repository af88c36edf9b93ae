#include "BundleImage.h"

#include <QFile>
#include <QHash>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

QPixmap BundleImage::imageNamed(const QString& name) {
    static QHash<QString, QPixmap> loaded;
    if (const auto found = loaded.constFind(name); found != loaded.constEnd()) {
        return *found;
    }
    QString base = name.startsWith(u":/"_s) ? name.mid(2) : name;
    if (base.endsWith(u".png"_s, Qt::CaseInsensitive)) {
        base.chop(4);
    }
    QPixmap pixmap;
    if (QFile::exists(u":/"_s + base + u"@2x.png"_s) &&
        pixmap.load(u":/"_s + base + u"@2x.png"_s)) {
        pixmap.setDevicePixelRatio(2.0);
    } else if (!pixmap.load(u":/"_s + base + u".png"_s)) {
        MYLOG(u"No bundle image named %@"_s, name);
    }
    loaded.insert(name, pixmap);
    return pixmap;
}
