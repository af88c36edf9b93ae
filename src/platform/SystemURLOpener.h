#pragma once

#include <QUrl>
#include <functional>

// The one road by which the program opens an address outside itself (the desktop's browser,
// mail program or whatever handles the scheme). Tests put an opener of their own in its place
// to see what would have been opened without opening anything. GUI thread only.
class SystemURLOpener {
public:
    // Hands the address to the opener; false when nothing took it (or it is not valid).
    static bool openURL(const QUrl& url);

    // Replaces QDesktopServices::openUrl; an empty function puts it back.
    static void setOpener(std::function<bool(const QUrl&)> opener);
};
