#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The command line of questlog-services.
struct ServicesOptions {
    int port = 8471;
    QString bind = QStringLiteral("127.0.0.1");
    int latencyMs = 0;
    double failRate = 0;
    // The fault kinds to draw from ("error", "cut", "stall", "garbage"); all by default.
    QStringList faultKinds;
    quint32 seed = 1;
    QString dataDir;
    bool quiet = false;
    // How long a stalled answer waits before it is sent; longer than any client's time-out.
    int stallMs = 90000;
    // The day the catalogue service answers as; invalid for the local date of each request.
    QDate today;

    // Nothing, with a message in *error, for arguments that do not make sense.
    static std::optional<ServicesOptions> parse(const QStringList& arguments, QString* error);
    static QStringList allFaultKinds();
};
