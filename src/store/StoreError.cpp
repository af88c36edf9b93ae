#include "StoreError.h"

using namespace Qt::Literals::StringLiterals;

const QString StoreError::kDomain = u"QuestlogStoreErrorDomain"_s;

StoreError StoreError::make(Code code, const QString& message, const QVariantMap& userInfo) {
    return StoreError{kDomain, code, message, userInfo};
}

QString StoreError::description() const {
    return u"Error Domain=%1 Code=%2 \"%3\""_s.arg(domain, QString::number(code), message);
}
