#pragma once

#include <QByteArray>
#include <QString>

#include "Model.h"

// Points the review service and the review site at the given addresses for one scope, as the
// environment overrides them, and puts the earlier settings back afterwards.
class ScopedReviewSettings {
public:
    ScopedReviewSettings(const QString& service, const QString& site)
        : service_(save("QUESTLOG_REVIEW_SERVICE")), site_(save("QUESTLOG_REVIEW_SITE")) {
        qputenv("QUESTLOG_REVIEW_SERVICE", service.toUtf8());
        qputenv("QUESTLOG_REVIEW_SITE", site.toUtf8());
        Model::instanceOf();
        Model::resetInstance();
    }
    ~ScopedReviewSettings() {
        restore("QUESTLOG_REVIEW_SERVICE", service_);
        restore("QUESTLOG_REVIEW_SITE", site_);
        Model::resetInstance();
    }
    ScopedReviewSettings(const ScopedReviewSettings&) = delete;
    ScopedReviewSettings& operator=(const ScopedReviewSettings&) = delete;

private:
    struct Saved {
        bool set;
        QByteArray value;
    };
    static Saved save(const char* name) { return {qEnvironmentVariableIsSet(name), qgetenv(name)}; }
    static void restore(const char* name, const Saved& saved) {
        if (saved.set) {
            qputenv(name, saved.value);
        } else {
            qunsetenv(name);
        }
    }

    Saved service_;
    Saved site_;
};
