#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <mutex>

#include "FireAndForgetQueue.h"
#include "MetricsWriter.h"
#include "Model.h"

// Runs the program as the wii build with the given metrics service configured and keeps, instead
// of sending them, the usage metrics written while it lives.
class MetricRecorder {
public:
    explicit MetricRecorder(const QByteArray& service = "http://127.0.0.1:9")
        : previousInfo_(Model::informationFilePath()) {
        QFile info(dir_.filePath(QStringLiteral("Info.json")));
        info.open(QIODevice::WriteOnly);
        info.write(R"({"Platform Code": "wii", "Metrics Service URL": ")" + service + "\"}");
        info.close();
        Model::setInformationFilePath(info.fileName());
        Model::resetInstance();
        FireAndForgetQueue::shared().setTransport(
            [this](const OrvHTTPServices::FormRequest& form, int, const std::atomic<bool>&) {
                std::lock_guard lock(mu_);
                bodies_.append(form.body);
            });
    }
    ~MetricRecorder() {
        MetricsWriter::waitForIdle(10000);
        FireAndForgetQueue::shared().setTransport({});
        Model::setInformationFilePath(previousInfo_);
        Model::resetInstance();
    }

    // Every record's form body sent so far, in order; then forgets them.
    QList<QByteArray> takeBodies() {
        MetricsWriter::waitForIdle(10000);
        std::lock_guard lock(mu_);
        return std::exchange(bodies_, {});
    }
    // The platform's record of each metric so far as "name@feature; ...", in order (every
    // metric also goes out once for "All platforms"); then forgets them.
    QString take() {
        QStringList metrics;
        for (const QByteArray& body : takeBodies()) {
            const QUrlQuery query(QString::fromUtf8(body));
            const auto field = [&](const char* name) {
                return query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
            };
            if (field("metricGroup") == QStringLiteral("wii")) {
                metrics.append(field("metricName") + u'@' + field("metricFeature"));
            }
        }
        return metrics.join(QStringLiteral("; "));
    }

private:
    QTemporaryDir dir_;
    QString previousInfo_;
    std::mutex mu_;
    QList<QByteArray> bodies_;
};
