#pragma once

#include <QPixmap>
#include <QString>

// Pictures from the bundle by name, as the handset looks them up: "tab_all.png" (or "tab_all")
// answers ":/tab_all@2x.png" drawn at half its pixel size when that twin exists, so it stays
// sharp at a device pixel ratio of 2, else ":/tab_all.png". Loaded pictures are kept, since
// screens ask for the same few again and again. GUI thread only.
class BundleImage {
public:
    // A null pixmap (and a log line, once per name) when neither file exists.
    static QPixmap imageNamed(const QString& name);
};
