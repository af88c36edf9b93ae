#include "WebViewHtmlSource.h"

#include <QDir>
#include <QRegularExpression>
#include <QWebEnginePage>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Chromium refuses addresses longer than this.
constexpr qsizetype kMaxDataAddress = 2 * 1024 * 1024;
// Room for the address's prefix and for the engine encoding a little differently.
constexpr qsizetype kDataAddressMargin = 64 * 1024;
constexpr char kPageFilePrefix[] = "questlog-page-";

}  // namespace

bool WebViewHtmlSource::load(QWebEnginePage& page, const QString& html, const QUrl& baseURL) {
    const QByteArray utf8 = html.toUtf8();
    if (fitsInDataAddress(utf8)) {
        page.setHtml(html, baseURL);
        return true;
    }
    auto file = std::make_unique<QTemporaryFile>(
        QDir::tempPath() + u"/"_s + QLatin1StringView(kPageFilePrefix) + u"XXXXXX.html"_s);
    if (!file->open() || file->write(withBaseElement(html, baseURL)) < 0 || !file->flush()) {
        MYLOG(u"WebView: cannot write a page of %d bytes to %@"_s, utf8.size(), file->fileName());
        return false;
    }
    page.load(QUrl::fromLocalFile(file->fileName()));
    files_.push_back(std::move(file));
    return true;
}

bool WebViewHtmlSource::isStringPage(const QUrl& engineURL) {
    return engineURL.scheme() == u"data"_s ||
           (engineURL.isLocalFile() &&
            engineURL.fileName().startsWith(QLatin1StringView(kPageFilePrefix)));
}

bool WebViewHtmlSource::fitsInDataAddress(const QByteArray& utf8) {
    qsizetype length = 0;
    for (const char c : utf8) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        length += plain ? 1 : 3;
    }
    return length < kMaxDataAddress - kDataAddressMargin;
}

// A page read from a file resolves its relative addresses against the file, so it names its
// base address itself, where the parser takes it as the head's first element. A page that
// names its own keeps it, as it would in a page given as a string.
QByteArray WebViewHtmlSource::withBaseElement(const QString& html, const QUrl& baseURL) {
    static const QRegularExpression ownBase(u"<base[\\s>]"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression head(u"<head(\\s[^>]*)?>"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression doctype(u"^\\s*<!doctype[^>]*>"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    QString page = html;
    if (!baseURL.isEmpty() && !html.contains(ownBase)) {
        const QString element =
            u"<base href=\""_s + baseURL.toString(QUrl::FullyEncoded).toHtmlEscaped() + u"\">"_s;
        QRegularExpressionMatch match = head.match(html);
        if (!match.hasMatch()) {
            match = doctype.match(html);
        }
        page.insert(match.hasMatch() ? match.capturedEnd() : 0, element);
    }
    // The byte-order mark tells the engine the file's encoding before any markup does.
    return "\xEF\xBB\xBF" + page.toUtf8();
}
