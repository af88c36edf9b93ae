#include "FaultPlan.h"

using namespace Qt::Literals::StringLiterals;

FaultPlan::FaultPlan(double rate, const QStringList& kinds, quint32 seed)
    : rate_(rate), random_(seed) {
    for (const QString& kind : kinds) {
        for (Fault fault : {Fault::Error, Fault::Cut, Fault::Stall, Fault::Garbage, Fault::Huge,
                            Fault::Redirect}) {
            if (name(fault) == kind) {
                kinds_.append(fault);
            }
        }
    }
}

FaultPlan::Fault FaultPlan::draw() {
    if (rate_ <= 0 || kinds_.isEmpty()) {
        return Fault::None;
    }
    std::lock_guard lock(mu_);
    if (random_.generateDouble() >= rate_) {
        return Fault::None;
    }
    return kinds_[int(random_.bounded(int(kinds_.size())))];
}

QString FaultPlan::name(Fault fault) {
    switch (fault) {
        case Fault::Error:
            return u"error"_s;
        case Fault::Cut:
            return u"cut"_s;
        case Fault::Stall:
            return u"stall"_s;
        case Fault::Garbage:
            return u"garbage"_s;
        case Fault::Huge:
            return u"huge"_s;
        case Fault::Redirect:
            return u"redirect"_s;
        case Fault::None:
            break;
    }
    return u"none"_s;
}
