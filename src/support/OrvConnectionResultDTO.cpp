#include "OrvConnectionResultDTO.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

void OrvConnectionResultDTO::setData(const QByteArray& data) {
    data_ = data;
    body_ = bodyFromData(data);
}

QString OrvConnectionResultDTO::bodyFromData(const QByteArray& data) {
    if (data.isNull()) {
        return QString();
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(data);
    if (decoder.hasError()) {
        return QString();
    }
    // An empty body is "" rather than nothing: the transfer did complete.
    if (text.isNull()) {
        text = QString(u""_s);
    }
    return text;
}
