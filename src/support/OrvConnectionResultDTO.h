#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

#include "OrvError.h"

// The outcome of one finished OrvConnection. Setting the data also sets the body: the data
// decoded as UTF-8, or a null QString when the data is null or not valid UTF-8. A plain
// record, owned by its connection.
class OrvConnectionResultDTO {
public:
    const QByteArray& data() const { return data_; }
    void setData(const QByteArray& data);
    const QDateTime& started() const { return started_; }
    void setStarted(const QDateTime& started) { started_ = started; }
    const QDateTime& ended() const { return ended_; }
    void setEnded(const QDateTime& ended) { ended_ = ended; }
    const QString& url() const { return url_; }
    void setUrl(const QString& url) { url_ = url; }
    const std::optional<OrvError>& error() const { return error_; }
    void setError(const std::optional<OrvError>& error) { error_ = error; }
    const QString& body() const { return body_; }

    // Null when the bytes are null or not valid UTF-8.
    static QString bodyFromData(const QByteArray& data);

private:
    QByteArray data_;
    QDateTime started_;
    QDateTime ended_;
    QString url_;
    std::optional<OrvError> error_;
    QString body_;
};
