#include "OrvError.h"

using namespace Qt::StringLiterals;

QString OrvError::description() const {
    return u"Error Domain=%1 Code=%2 \"%3\""_s.arg(domain).arg(code).arg(message);
}
