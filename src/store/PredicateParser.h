#pragma once

#include <QString>
#include <QVariantList>
#include <memory>

#include "PredicateNode.h"

// Reads the predicate format language into a PredicateNode tree:
//   predicate  := and ( (OR | ||) and )*
//   and        := primary ( (AND | &&) primary )*
//   primary    := "(" predicate ")" | key operator value
//   operator   := == | = | > | >= | < | <= | contains[cd]
//   value      := %@ (the next argument) | number | "string" | nil
// Keys are attribute names; each constant is checked against the attribute's type here, so
// evaluation never converts. Keywords ignore case. Pure; any thread.
class PredicateParser {
public:
    // Nothing, with `error` set, for a malformed format, an unknown key, a constant of the wrong
    // type, or too few or too many arguments.
    static std::unique_ptr<PredicateNode> parse(const QString& format,
                                                const QVariantList& arguments, QString* error);
};
