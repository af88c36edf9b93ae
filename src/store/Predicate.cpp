#include "Predicate.h"

#include "Game.h"
#include "PredicateNode.h"
#include "PredicateParser.h"

using namespace Qt::Literals::StringLiterals;

Predicate::Predicate() = default;
Predicate::~Predicate() = default;
Predicate::Predicate(const Predicate&) = default;
Predicate& Predicate::operator=(const Predicate&) = default;

Predicate Predicate::predicateWithFormat(const QString& format, const QVariantList& arguments) {
    Predicate predicate;
    QString error;
    std::unique_ptr<PredicateNode> root = PredicateParser::parse(format, arguments, &error);
    if (root) {
        predicate.root_ = std::move(root);
    } else {
        predicate.error_ = error;
    }
    return predicate;
}

Predicate Predicate::andPredicateWithSubpredicates(const QList<Predicate>& subpredicates) {
    return compound(subpredicates, true);
}

Predicate Predicate::orPredicateWithSubpredicates(const QList<Predicate>& subpredicates) {
    return compound(subpredicates, false);
}

Predicate Predicate::compound(const QList<Predicate>& subpredicates, bool isAnd) {
    Predicate predicate;
    auto root = std::make_shared<PredicateNode>();
    root->kind = isAnd ? PredicateNode::Kind::And : PredicateNode::Kind::Or;
    for (const Predicate& part : subpredicates) {
        if (!part.isValid()) {
            predicate.error_ = part.error_.isEmpty() ? u"invalid subpredicate"_s : part.error_;
            return predicate;
        }
        root->children.push_back(*part.root_);
    }
    root->optimize();
    predicate.root_ = std::move(root);
    return predicate;
}

QString Predicate::description() const {
    return root_ ? root_->description() : u"<invalid predicate: %1>"_s.arg(error_);
}

bool Predicate::evaluateWithObject(const Game* game) const {
    return root_ && game && root_->evaluate(*game);
}

std::optional<std::pair<GameAttribute, QString>> Predicate::requiredStringEquality() const {
    const auto equality =
        [](const PredicateNode& node) -> std::optional<std::pair<GameAttribute, QString>> {
        if (node.kind == PredicateNode::Kind::Comparison &&
            node.op == PredicateNode::Operator::Equal && node.type == AttributeType::String &&
            !node.constantAbsent) {
            return std::make_pair(node.attribute, node.text);
        }
        return std::nullopt;
    };
    if (!root_) {
        return std::nullopt;
    }
    if (root_->kind != PredicateNode::Kind::And) {
        return equality(*root_);
    }
    for (const PredicateNode& child : root_->children) {
        if (auto term = equality(child)) {
            return term;
        }
    }
    return std::nullopt;
}
