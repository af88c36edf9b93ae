#pragma once

#include <QString>

// One screenshot of a game as the review service's product document lists it: three image
// addresses, any of which may be missing (null). Only urlScreenshot is shown. A plain value;
// any thread.
class Screenshot {
public:
    const QString& urlThumbnail() const { return urlThumbnail_; }
    void setUrlThumbnail(const QString& urlThumbnail) { urlThumbnail_ = urlThumbnail; }
    const QString& urlScreenshot() const { return urlScreenshot_; }
    void setUrlScreenshot(const QString& urlScreenshot) { urlScreenshot_ = urlScreenshot; }
    const QString& urlHighDef() const { return urlHighDef_; }
    void setUrlHighDef(const QString& urlHighDef) { urlHighDef_ = urlHighDef; }

    // The record for the debug log ("%@").
    QString description() const;

private:
    QString urlThumbnail_;
    QString urlScreenshot_;
    QString urlHighDef_;
};
