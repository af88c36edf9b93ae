#include "SystemURLOpener.h"

#include <QDesktopServices>

#include "MyLog.h"

using namespace Qt::StringLiterals;

namespace {

std::function<bool(const QUrl&)>& opener() {
    static std::function<bool(const QUrl&)> instance;
    return instance;
}

}  // namespace

bool SystemURLOpener::openURL(const QUrl& url) {
    if (!url.isValid() || url.scheme().isEmpty()) {
        MYLOG(u"SystemURLOpener: [%@] is not an address to open"_s, url.toString());
        return false;
    }
    const bool opened = opener() ? opener()(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        MYLOG(u"SystemURLOpener: nothing opened [%@]"_s, url.toString());
    }
    return opened;
}

void SystemURLOpener::setOpener(std::function<bool(const QUrl&)> newOpener) {
    opener() = std::move(newOpener);
}
