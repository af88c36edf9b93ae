#include "FetchRequest.h"

using namespace Qt::Literals::StringLiterals;

QString FetchRequest::description() const {
    QStringList sorts;
    for (const SortDescriptor& sort : sortDescriptors_) {
        sorts.append(sort.description());
    }
    return u"<FetchRequest: entity %1, predicate %2, sort (%3), batch size %4>"_s.arg(
        entityName_.isNull() ? u"(null)"_s : entityName_,
        predicate_ ? predicate_->description() : u"(null)"_s, sorts.join(u", "_s),
        QString::number(fetchBatchSize_));
}
