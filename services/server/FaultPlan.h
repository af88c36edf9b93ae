#pragma once

#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <mutex>

// Decides which requests get a fault, and which kind: a fraction of all requests, drawn from a
// seeded generator so a run can be repeated. Any thread.
class FaultPlan {
public:
    enum class Fault { None, Error, Cut, Stall, Garbage, Huge, Redirect };

    FaultPlan(double rate, const QStringList& kinds, quint32 seed);

    Fault draw();
    static QString name(Fault fault);

private:
    double rate_;
    QList<Fault> kinds_;
    // mu_ protects the following state.
    std::mutex mu_;
    QRandomGenerator random_;
};
