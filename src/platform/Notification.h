#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// One in-process notification: a name, an optional object (any QVariant, often a pointer put
// in with QVariant::fromValue, or a QVariantMap) and optional user information. A plain value;
// copies are cheap and any thread may use its own copy.
class Notification {
public:
    Notification() = default;
    explicit Notification(const QString& name, const QVariant& object = {},
                          const QVariantMap& userInfo = {});

    const QString& name() const { return name_; }
    const QVariant& object() const { return object_; }
    const QVariantMap& userInfo() const { return userInfo_; }

    // The text "%@" shows for a notification in log lines.
    QString description() const;

private:
    QString name_;
    QVariant object_;
    QVariantMap userInfo_;
};
