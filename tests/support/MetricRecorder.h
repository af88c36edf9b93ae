#pragma once

#include <QFile>
#include <QPair>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <mutex>

#include "FireAndForgetQueue.h"
#include "MetricsWriter.h"
#include "Model.h"

// Runs the program as the wii build with a metrics service configured and keeps, instead of
// sending them, the usage metrics written while it lives: (name, feature) in order, the
// platform's record of each (every metric also goes out once for "All platforms").
class MetricRecorder {
public:
    using Metric = QPair<QString, QString>;

    MetricRecorder() : previousInfo_(Model::informationFilePath()) {
        QFile info(dir_.filePath(QStringLiteral("Info.json")));
        if (info.open(QIODevice::WriteOnly)) {
            info.write(R"({"Platform Code": "wii", "Metrics Service URL": "http://127.0.0.1:9"})");
        }
        info.close();
        Model::setInformationFilePath(info.fileName());
        Model::resetInstance();
        FireAndForgetQueue::shared().setTransport(
            [this](const OrvHTTPServices::FormRequest& form, int, const std::atomic<bool>&) {
                const QUrlQuery query(QString::fromUtf8(form.body));
                const auto field = [&](const char* name) {
                    return query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
                };
                std::lock_guard lock(mu_);
                if (field("metricGroup") == QStringLiteral("wii")) {
                    metrics_.append({field("metricName"), field("metricFeature")});
                }
            });
    }
    ~MetricRecorder() {
        MetricsWriter::waitForIdle(10000);
        FireAndForgetQueue::shared().setTransport({});
        Model::setInformationFilePath(previousInfo_);
        Model::resetInstance();
    }
    MetricRecorder(const MetricRecorder&) = delete;
    MetricRecorder& operator=(const MetricRecorder&) = delete;

    // Everything written so far, once sent; then forgets it.
    QList<Metric> take() {
        MetricsWriter::waitForIdle(10000);
        std::lock_guard lock(mu_);
        return std::exchange(metrics_, {});
    }

private:
    QTemporaryDir dir_;
    QString previousInfo_;
    std::mutex mu_;
    QList<Metric> metrics_;
};
