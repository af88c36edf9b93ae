#include "IndexPath.h"

using namespace Qt::Literals::StringLiterals;

QString IndexPath::description() const {
    return u"[%1, %2]"_s.arg(section_).arg(row_);
}

QDebug operator<<(QDebug debug, const IndexPath& indexPath) {
    QDebugStateSaver saver(debug);
    debug.nospace() << "IndexPath" << indexPath.description();
    return debug;
}
