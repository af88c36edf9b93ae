#pragma once

#include <QByteArray>
#include <QString>

#include "Model.h"

// Points the review service and the review site at the given addresses for one scope, as the
// environment overrides them, and puts the earlier settings back afterwards.
class ScopedReviewSettings {
public:
    ScopedReviewSettings(const QString& service, const QString& site) {
        for (const auto& [name, value] : {std::pair{"QUESTLOG_REVIEW_SERVICE", service},
                                          std::pair{"QUESTLOG_REVIEW_SITE", site}}) {
            saved_.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
            qputenv(name, value.toUtf8());
        }
        Model::instanceOf();
        Model::resetInstance();
    }
    ~ScopedReviewSettings() {
        for (const auto& [name, set, value] : saved_) {
            set ? qputenv(name, value) : qunsetenv(name);
        }
        Model::resetInstance();
    }

private:
    QList<std::tuple<const char*, bool, QByteArray>> saved_;
};
