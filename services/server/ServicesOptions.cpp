#include "ServicesOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

QStringList ServicesOptions::allFaultKinds() {
    return {u"error"_s, u"cut"_s, u"stall"_s, u"garbage"_s, u"huge"_s, u"redirect"_s};
}

std::optional<ServicesOptions> ServicesOptions::parse(const QStringList& arguments,
                                                      QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Answers on loopback as the catalogue update, review, metrics and box-art services and "
        "the two web sites do, from generated fictional data."_s);
    parser.addHelpOption();
    const QCommandLineOption port(u"port"_s, u"Port to listen on (default 8471)."_s, u"N"_s,
                                  u"8471"_s);
    const QCommandLineOption bind(
        u"bind"_s, u"Address to listen on (default 127.0.0.1; others only when asked)."_s,
        u"address"_s, u"127.0.0.1"_s);
    const QCommandLineOption latency(u"latency-ms"_s, u"Milliseconds added to every answer."_s,
                                     u"N"_s, u"0"_s);
    const QCommandLineOption failRate(
        u"fail-rate"_s, u"Fraction of requests, 0 to 1, answered with a fault."_s, u"F"_s, u"0"_s);
    const QCommandLineOption faults(
        u"faults"_s,
        u"Fault kinds to choose from, comma-separated: error (500 with an HTML page), cut, "
        "stall, garbage, huge (a 50 MiB answer without a length), redirect (to itself, "
        "endlessly)."_s,
        u"kinds"_s, allFaultKinds().join(u','));
    const QCommandLineOption seed(u"seed"_s, u"Seed of the fault generator."_s, u"S"_s, u"1"_s);
    const QCommandLineOption dataDir(
        u"data-dir"_s, u"Where metrics and generated images are kept."_s, u"folder"_s,
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
            u"/questlog-services"_s);
    const QCommandLineOption quiet(u"quiet"_s, u"No line per request."_s);
    const QCommandLineOption stall(
        u"stall-ms"_s, u"How long a stalled answer waits (default 90000)."_s, u"N"_s, u"90000"_s);
    const QCommandLineOption today(
        u"today"_s, u"Answer catalogue updates as on this day (yyyy-MM-dd)."_s, u"date"_s);
    parser.addOptions({port, bind, latency, failRate, faults, seed, dataDir, quiet, stall, today});
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(u"help"_s)) {
        *error = parser.helpText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = u"unexpected argument %1"_s.arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    ServicesOptions options;
    bool ok = false;
    options.port = parser.value(port).toInt(&ok);
    if (!ok || options.port < 0 || options.port > 65535) {
        *error = u"--port wants a number from 0 to 65535"_s;
        return std::nullopt;
    }
    options.bind = parser.value(bind);
    options.latencyMs = parser.value(latency).toInt(&ok);
    if (!ok || options.latencyMs < 0 || options.latencyMs > 600000) {
        *error = u"--latency-ms wants a number from 0 to 600000"_s;
        return std::nullopt;
    }
    options.failRate = parser.value(failRate).toDouble(&ok);
    if (!ok || options.failRate < 0 || options.failRate > 1) {
        *error = u"--fail-rate wants a fraction from 0 to 1"_s;
        return std::nullopt;
    }
    for (const QString& kind : parser.value(faults).split(u',', Qt::SkipEmptyParts)) {
        if (!allFaultKinds().contains(kind.trimmed())) {
            *error = u"unknown fault kind %1 (%2)"_s.arg(kind, allFaultKinds().join(u", "_s));
            return std::nullopt;
        }
        options.faultKinds.append(kind.trimmed());
    }
    if (options.faultKinds.isEmpty()) {
        *error = u"--faults names no fault kind"_s;
        return std::nullopt;
    }
    options.seed = parser.value(seed).toUInt(&ok);
    if (!ok) {
        *error = u"--seed wants a number from 0 to 4294967295"_s;
        return std::nullopt;
    }
    options.dataDir = QDir::cleanPath(parser.value(dataDir));
    options.quiet = parser.isSet(quiet);
    options.stallMs = parser.value(stall).toInt(&ok);
    if (!ok || options.stallMs < 0) {
        *error = u"--stall-ms wants a number of milliseconds"_s;
        return std::nullopt;
    }
    if (parser.isSet(today)) {
        options.today = QDate::fromString(parser.value(today), u"yyyy-MM-dd"_s);
        if (!options.today.isValid()) {
            *error = u"--today wants a date as yyyy-MM-dd"_s;
            return std::nullopt;
        }
    }
    return options;
}
