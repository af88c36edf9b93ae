#pragma once

#include <QString>
#include <QVariantMap>

// A failure as the connections report it: where it came from (domain), a code within that
// domain, a readable message and any extra details. A plain value; any thread.
struct OrvError {
    QString domain;
    int code = 0;
    QString message;
    QVariantMap userInfo;

    // One line for logs ("%@"): domain, code and message.
    QString description() const;
};
