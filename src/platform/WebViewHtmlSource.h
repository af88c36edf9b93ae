#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <QUrl>
#include <memory>
#include <vector>

class QWebEnginePage;

// Hands an HTML string with its base address to the engine. A string travels as a
// percent-encoded data: address, which Chromium refuses past 2 MB; a longer one goes through a
// temporary file that names its base address itself. The files are kept while this lives, since
// the page's history may lead back to them.
class WebViewHtmlSource {
public:
    // Starts the page's load; false (said on the console) when a file it needs cannot be written.
    bool load(QWebEnginePage& page, const QString& html, const QUrl& baseURL);

    // Whether the engine's address is one of a page given as a string (data: or such a file).
    static bool isStringPage(const QUrl& engineURL);
    // Whether the string, percent-encoded, stays under the engine's address limit.
    static bool fitsInDataAddress(const QByteArray& utf8);
    // The string as written to a file: UTF-8 with a byte-order mark, and the base address as the
    // head's first element unless the page names its own.
    static QByteArray withBaseElement(const QString& html, const QUrl& baseURL);

private:
    std::vector<std::unique_ptr<QTemporaryFile>> files_;
};
