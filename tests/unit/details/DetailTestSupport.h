#pragma once

#include "Model.h"
#include "ScopedEnv.h"

// Points the review service and the review site at the given addresses for one scope, as the
// environment overrides them; the program's settings are read anew on both sides of it.
class ScopedReviewSettings {
public:
    ScopedReviewSettings(const QString& service, const QString& site)
        : service_("QUESTLOG_REVIEW_SERVICE", service.toUtf8()),
          site_("QUESTLOG_REVIEW_SITE", site.toUtf8()) {
        Model::instanceOf();
        Model::resetInstance();
    }

private:
    // Declared first, so it goes last: the settings are read again once both are put back.
    struct Reread {
        ~Reread() { Model::resetInstance(); }
    } reread_;
    ScopedEnv service_;
    ScopedEnv site_;
};
