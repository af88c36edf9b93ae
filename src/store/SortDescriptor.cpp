#include "SortDescriptor.h"

using namespace Qt::Literals::StringLiterals;

SortDescriptor::SortDescriptor(const QString& key, bool ascending)
    : key_(key), ascending_(ascending) {}

QString SortDescriptor::description() const {
    return u"(%1, %2)"_s.arg(key_, ascending_ ? u"ascending"_s : u"descending"_s);
}
