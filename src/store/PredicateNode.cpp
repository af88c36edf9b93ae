#include "PredicateNode.h"

#include <QDateTime>

#include "FoldedText.h"
#include "Format.h"
#include "Game.h"

using namespace Qt::Literals::StringLiterals;

namespace {

template <class T>
bool compare(PredicateNode::Operator op, const T& value, const T& constant) {
    switch (op) {
        case PredicateNode::Operator::Equal:
            return value == constant;
        case PredicateNode::Operator::Greater:
            return value > constant;
        case PredicateNode::Operator::GreaterOrEqual:
            return value >= constant;
        case PredicateNode::Operator::Less:
            return value < constant;
        case PredicateNode::Operator::LessOrEqual:
            return value <= constant;
        case PredicateNode::Operator::ContainsCD:
            return false;
    }
    return false;
}

}  // namespace

bool PredicateNode::evaluate(const Game& game) const {
    switch (kind) {
        case Kind::And:
            for (const PredicateNode& child : children) {
                if (!child.evaluate(game)) {
                    return false;
                }
            }
            return true;
        case Kind::Or:
            if (searchFields != 0) {
                return searchAnyField(game);
            }
            for (const PredicateNode& child : children) {
                if (child.evaluate(game)) {
                    return true;
                }
            }
            return false;
        case Kind::Comparison:
            break;
    }
    if (constantAbsent) {
        return false;
    }
    const GameAttribute attributeOf = attribute;
    switch (type) {
        case AttributeType::String: {
            const QString& value = game.stringValue(attributeOf);
            if (value.isNull()) {
                return false;
            }
            if (op == Operator::ContainsCD) {
                if (foldSlot < 0) {
                    return FoldedText::contains(game.foldedText(attributeOf), foldedText);
                }
                const SearchText& search = game.searchText();
                return search.mayContain(needleSignature) &&
                       search.fieldContains(foldSlot, foldedText);
            }
            if (op == Operator::Equal) {
                return value == text;
            }
            return compare(op, QStringView(value).compare(text), 0);
        }
        case AttributeType::Float: {
            const std::optional<float> value = game.floatValue(attributeOf);
            return value && compare(op, double(*value), number);
        }
        case AttributeType::Flag: {
            const std::optional<int> value = game.flagValue(attributeOf);
            return value && compare(op, double(*value), number);
        }
        case AttributeType::Date: {
            const std::optional<qint64> value = game.dateMsecs(attributeOf);
            return value && compare(op, *value, msecs);
        }
    }
    return false;
}

bool PredicateNode::searchAnyField(const Game& game) const {
    const PredicateNode& first = children.front();
    const SearchText& search = game.searchText();
    if (!search.mayContain(first.needleSignature)) {
        return false;
    }
    if (searchFields == (1u << SearchText::kFields) - 1) {
        return search.anyFieldContains(first.foldedText);
    }
    for (int field = 0; field < SearchText::kFields; ++field) {
        if ((searchFields & (1u << field)) && search.fieldContains(field, first.foldedText)) {
            return true;
        }
    }
    return false;
}

void PredicateNode::optimize() {
    for (PredicateNode& child : children) {
        child.optimize();
    }
    searchFields = 0;
    if (kind != Kind::Or || children.empty()) {
        return;
    }
    const PredicateNode& first = children.front();
    quint8 fields = 0;
    for (const PredicateNode& child : children) {
        // An absent text is an empty field, which no non-empty needle matches: the same answer.
        if (child.kind != Kind::Comparison || child.op != Operator::ContainsCD ||
            child.foldSlot < 0 || child.constantAbsent || child.foldedText.isEmpty() ||
            child.foldedText != first.foldedText || child.foldedText.contains('\0')) {
            return;
        }
        fields |= quint8(1u << child.foldSlot);
    }
    searchFields = fields;
}

QString PredicateNode::operatorText(Operator op) {
    switch (op) {
        case Operator::Equal:
            return u"=="_s;
        case Operator::Greater:
            return u">"_s;
        case Operator::GreaterOrEqual:
            return u">="_s;
        case Operator::Less:
            return u"<"_s;
        case Operator::LessOrEqual:
            return u"<="_s;
        case Operator::ContainsCD:
            return u"contains[cd]"_s;
    }
    return {};
}

QString PredicateNode::constantDescription() const {
    if (constantAbsent) {
        return u"nil"_s;
    }
    switch (type) {
        case AttributeType::String: {
            QString escaped = text;
            escaped.replace(u"\\"_s, u"\\\\"_s).replace(u"\""_s, u"\\\""_s);
            return u"\""_s + escaped + u"\""_s;
        }
        case AttributeType::Float:
        case AttributeType::Flag:
            return describe(number);
        case AttributeType::Date: {
            const QDateTime date = QDateTime::fromMSecsSinceEpoch(msecs);
            return date.toString(msecs % 1000 == 0 ? Qt::ISODate : Qt::ISODateWithMs);
        }
    }
    return {};
}

QString PredicateNode::description() const {
    if (kind == Kind::Comparison) {
        return GameAttributes::info(attribute).name + u" "_s + operatorText(op) + u" "_s +
               constantDescription();
    }
    if (children.empty()) {
        return kind == Kind::And ? u"TRUEPREDICATE"_s : u"FALSEPREDICATE"_s;
    }
    QStringList parts;
    for (const PredicateNode& child : children) {
        parts.append(u"("_s + child.description() + u")"_s);
    }
    return parts.join(kind == Kind::And ? u" AND "_s : u" OR "_s);
}
