#include "Notification.h"

#include "Format.h"

using namespace Qt::Literals::StringLiterals;

Notification::Notification(const QString& name, const QVariant& object, const QVariantMap& userInfo)
    : name_(name), object_(object), userInfo_(userInfo) {}

QString Notification::description() const {
    return Format::format(u"Notification {name = %@; object = %@; userInfo = %@}"_s, name_, object_,
                          userInfo_);
}
