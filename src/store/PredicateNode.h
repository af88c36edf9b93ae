#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "GameAttribute.h"
#include "SearchText.h"

class Game;

// A compiled predicate: AND / OR nodes over typed comparisons of one attribute with one
// constant, so that evaluating a record never parses, converts or allocates. Immutable once
// built; shared between copies of a Predicate.
struct PredicateNode {
    enum class Kind { And, Or, Comparison };
    enum class Operator { Equal, Greater, GreaterOrEqual, Less, LessOrEqual, ContainsCD };

    Kind kind = Kind::Comparison;
    std::vector<PredicateNode> children;  // And, Or

    // Comparison
    GameAttribute attribute = GameAttribute::title;
    AttributeType type = AttributeType::String;
    Operator op = Operator::Equal;
    bool constantAbsent = false;              // nil: the comparison never holds
    double number = 0;                        // Float and Flag
    qint64 msecs = 0;                         // Date
    QString text;                             // String
    QByteArray foldedText;                    // ContainsCD
    int slot = 0;                             // GameAttributes::slotOf(attribute)
    int foldSlot = -1;                        // GameAttributes::foldSlotOf(attribute)
    SearchText::Signature needleSignature{};  // ContainsCD

    // An OR of contains[cd] of one needle over searched texts (the list's search) runs as one
    // scan of the record's SearchText: `searchFields` has a bit per field searched.
    quint8 searchFields = 0;

    bool evaluate(const Game& game) const;
    // Marks the OR nodes that can run as one scan; call once the tree is complete.
    void optimize();
    // A comparison reads "key op constant"; compound parts are each put in parentheses.
    QString description() const;

    static QString operatorText(Operator op);
    bool searchAnyField(const Game& game) const;
    QString constantDescription() const;
};
