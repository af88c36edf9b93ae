#include "PredicateParser.h"

#include <QDateTime>
#include <optional>

#include "FoldedText.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Deeper nesting than any real query; it keeps hostile input from exhausting the stack.
constexpr int kMaxDepth = 64;

struct Token {
    enum class Type { End, OpenParen, CloseParen, Identifier, Operator, Argument, Number, String };
    Type type = Type::End;
    QString text;
    qsizetype position = 0;
};

class Parser {
public:
    Parser(const QString& format, const QVariantList& arguments)
        : format_(format), arguments_(arguments) {}

    std::unique_ptr<PredicateNode> run(QString* error) {
        advance();
        std::optional<PredicateNode> root = parseOr(0);
        if (root && current_.type != Token::Type::End) {
            fail(u"unexpected \"%1\""_s.arg(current_.text));
        }
        if (root && error_.isEmpty() && nextArgument_ != arguments_.size()) {
            fail(u"%1 arguments given, %2 used"_s.arg(arguments_.size()).arg(nextArgument_));
        }
        if (!error_.isEmpty()) {
            if (error) {
                *error = u"Cannot parse \"%1\": %2"_s.arg(format_, error_);
            }
            return nullptr;
        }
        auto node = std::make_unique<PredicateNode>(std::move(*root));
        node->optimize();
        return node;
    }

private:
    void fail(const QString& message) {
        if (error_.isEmpty()) {
            error_ = message + u" at %1"_s.arg(current_.position);
        }
    }

    static bool isIdentifierChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'.'; }

    void advance() {
        const qsizetype size = format_.size();
        while (pos_ < size && format_[pos_].isSpace()) {
            ++pos_;
        }
        current_ = Token{Token::Type::End, {}, pos_};
        if (pos_ >= size) {
            return;
        }
        const QChar c = format_[pos_];
        const auto take = [&](Token::Type type, qsizetype length) {
            current_.type = type;
            current_.text = format_.mid(pos_, length);
            pos_ += length;
        };
        const QStringView rest = QStringView(format_).mid(pos_);
        if (c == u'(') {
            take(Token::Type::OpenParen, 1);
        } else if (c == u')') {
            take(Token::Type::CloseParen, 1);
        } else if (rest.startsWith(u"%@")) {
            take(Token::Type::Argument, 2);
        } else if (rest.startsWith(u"==") || rest.startsWith(u">=") || rest.startsWith(u"<=") ||
                   rest.startsWith(u"=>") || rest.startsWith(u"=<") || rest.startsWith(u"&&") ||
                   rest.startsWith(u"||") || rest.startsWith(u"!=") || rest.startsWith(u"<>")) {
            take(Token::Type::Operator, 2);
        } else if (c == u'=' || c == u'>' || c == u'<') {
            take(Token::Type::Operator, 1);
        } else if (c == u'"' || c == u'\'') {
            readString(c);
        } else if (c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && rest.size() > 1 &&
                                   (rest[1].isDigit() || rest[1] == u'.'))) {
            qsizetype end = pos_ + 1;
            while (end < size && (format_[end].isDigit() || format_[end] == u'.' ||
                                  format_[end] == u'e' || format_[end] == u'E' ||
                                  ((format_[end] == u'-' || format_[end] == u'+') &&
                                   (format_[end - 1] == u'e' || format_[end - 1] == u'E')))) {
                ++end;
            }
            take(Token::Type::Number, end - pos_);
        } else if (isIdentifierChar(c)) {
            qsizetype end = pos_;
            while (end < size && isIdentifierChar(format_[end])) {
                ++end;
            }
            // Operator options belong to the word: contains[cd].
            if (end < size && format_[end] == u'[') {
                const qsizetype close = format_.indexOf(u']', end);
                if (close > 0) {
                    end = close + 1;
                }
            }
            take(Token::Type::Identifier, end - pos_);
        } else {
            take(Token::Type::Operator, 1);  // rejected by the grammar
        }
    }

    void readString(QChar quote) {
        QString text;
        qsizetype i = pos_ + 1;
        while (i < format_.size() && format_[i] != quote) {
            if (format_[i] == u'\\' && i + 1 < format_.size()) {
                ++i;
            }
            text.append(format_[i]);
            ++i;
        }
        if (i >= format_.size()) {
            current_.type = Token::Type::Operator;  // unterminated: rejected
            current_.text = format_.mid(pos_);
            pos_ = format_.size();
            return;
        }
        current_.type = Token::Type::String;
        current_.text = text.isNull() ? u""_s : text;
        pos_ = i + 1;
    }

    bool isKeyword(const Token& token, QStringView keyword, QStringView symbol) const {
        return (token.type == Token::Type::Identifier &&
                token.text.compare(keyword, Qt::CaseInsensitive) == 0) ||
               (token.type == Token::Type::Operator && token.text == symbol);
    }

    std::optional<PredicateNode> parseOr(int depth) {
        return parseList(depth, PredicateNode::Kind::Or, u"OR", u"||");
    }

    std::optional<PredicateNode> parseList(int depth, PredicateNode::Kind kind, QStringView keyword,
                                           QStringView symbol) {
        PredicateNode node;
        node.kind = kind;
        do {
            std::optional<PredicateNode> part =
                kind == PredicateNode::Kind::Or
                    ? parseList(depth, PredicateNode::Kind::And, u"AND", u"&&")
                    : parsePrimary(depth);
            if (!part) {
                return std::nullopt;
            }
            node.children.push_back(std::move(*part));
        } while (isKeyword(current_, keyword, symbol) && (advance(), true));
        if (node.children.size() == 1) {
            return std::move(node.children.front());
        }
        return node;
    }

    std::optional<PredicateNode> parsePrimary(int depth) {
        if (current_.type == Token::Type::OpenParen) {
            if (depth >= kMaxDepth) {
                fail(u"nested too deeply"_s);
                return std::nullopt;
            }
            advance();
            std::optional<PredicateNode> inner = parseOr(depth + 1);
            if (!inner) {
                return std::nullopt;
            }
            if (current_.type != Token::Type::CloseParen) {
                fail(u"\")\" expected"_s);
                return std::nullopt;
            }
            advance();
            return inner;
        }
        return parseComparison();
    }

    std::optional<PredicateNode::Operator> readOperator() {
        using Op = PredicateNode::Operator;
        const QString& text = current_.text;
        if (current_.type == Token::Type::Operator) {
            if (text == u"==" || text == u"=") {
                return Op::Equal;
            }
            if (text == u">") {
                return Op::Greater;
            }
            if (text == u">=" || text == u"=>") {
                return Op::GreaterOrEqual;
            }
            if (text == u"<") {
                return Op::Less;
            }
            if (text == u"<=" || text == u"=<") {
                return Op::LessOrEqual;
            }
        } else if (current_.type == Token::Type::Identifier) {
            if (text.compare(u"contains[cd]", Qt::CaseInsensitive) == 0 ||
                text.compare(u"contains[dc]", Qt::CaseInsensitive) == 0) {
                return Op::ContainsCD;
            }
        }
        return std::nullopt;
    }

    std::optional<PredicateNode> parseComparison() {
        if (current_.type != Token::Type::Identifier) {
            fail(current_.type == Token::Type::End
                     ? u"comparison expected"_s
                     : u"key expected, not \"%1\""_s.arg(current_.text));
            return std::nullopt;
        }
        const std::optional<GameAttribute> attribute = GameAttributes::named(current_.text);
        if (!attribute) {
            fail(u"unknown key \"%1\""_s.arg(current_.text));
            return std::nullopt;
        }
        PredicateNode node;
        node.kind = PredicateNode::Kind::Comparison;
        node.attribute = *attribute;
        node.type = GameAttributes::typeOf(*attribute);
        node.slot = GameAttributes::slotOf(*attribute);
        node.foldSlot = GameAttributes::foldSlotOf(*attribute);
        advance();
        const std::optional<PredicateNode::Operator> op = readOperator();
        if (!op) {
            fail(u"operator expected after %1, not \"%2\""_s.arg(
                GameAttributes::info(*attribute).name, current_.text));
            return std::nullopt;
        }
        node.op = *op;
        if (node.op == PredicateNode::Operator::ContainsCD && node.type != AttributeType::String) {
            fail(u"contains[cd] needs a text key"_s);
            return std::nullopt;
        }
        advance();
        if (!readConstant(node)) {
            return std::nullopt;
        }
        advance();
        return node;
    }

    // Takes the constant of the current token (or the next argument) into the node.
    bool readConstant(PredicateNode& node) {
        const QString keyName = GameAttributes::info(node.attribute).name;
        QVariant value;
        switch (current_.type) {
            case Token::Type::Argument:
                if (nextArgument_ >= arguments_.size()) {
                    fail(u"missing argument for %1"_s.arg(keyName));
                    return false;
                }
                value = arguments_[nextArgument_++];
                break;
            case Token::Type::Number: {
                bool ok = false;
                const double number = current_.text.toDouble(&ok);
                if (!ok) {
                    fail(u"bad number \"%1\""_s.arg(current_.text));
                    return false;
                }
                value = number;
                break;
            }
            case Token::Type::String:
                value = current_.text;
                break;
            case Token::Type::Identifier:
                if (current_.text.compare(u"nil", Qt::CaseInsensitive) == 0 ||
                    current_.text.compare(u"null", Qt::CaseInsensitive) == 0) {
                    node.constantAbsent = true;
                    return true;
                }
                [[fallthrough]];
            default:
                fail(u"value expected for %1, not \"%2\""_s.arg(keyName, current_.text));
                return false;
        }
        // nil, a null string and a null date never compare true with anything.
        if (!value.isValid() || value.isNull() ||
            (value.typeId() == QMetaType::QString && value.toString().isNull()) ||
            (value.typeId() == QMetaType::QDateTime && !value.toDateTime().isValid())) {
            node.constantAbsent = true;
            return true;
        }
        const int typeId = value.typeId();
        const bool isNumber = typeId == QMetaType::Int || typeId == QMetaType::UInt ||
                              typeId == QMetaType::LongLong || typeId == QMetaType::ULongLong ||
                              typeId == QMetaType::Double || typeId == QMetaType::Float ||
                              typeId == QMetaType::Bool || typeId == QMetaType::Short ||
                              typeId == QMetaType::UShort || typeId == QMetaType::Long ||
                              typeId == QMetaType::ULong;
        switch (node.type) {
            case AttributeType::String:
                if (typeId != QMetaType::QString) {
                    fail(u"%1 takes text, not %2"_s.arg(keyName,
                                                        QString::fromUtf8(value.typeName())));
                    return false;
                }
                node.text = value.toString();
                if (node.op == PredicateNode::Operator::ContainsCD) {
                    node.foldedText = FoldedText::fold(node.text);
                    node.needleSignature = SearchText::signatureOf(node.foldedText);
                }
                return true;
            case AttributeType::Float:
            case AttributeType::Flag:
                if (!isNumber) {
                    fail(u"%1 takes a number, not %2"_s.arg(keyName,
                                                            QString::fromUtf8(value.typeName())));
                    return false;
                }
                node.number = value.toDouble();
                return true;
            case AttributeType::Date:
                if (typeId != QMetaType::QDateTime) {
                    fail(u"%1 takes a date, not %2"_s.arg(keyName,
                                                          QString::fromUtf8(value.typeName())));
                    return false;
                }
                node.msecs = value.toDateTime().toMSecsSinceEpoch();
                return true;
        }
        return false;
    }

    const QString& format_;
    const QVariantList& arguments_;
    qsizetype pos_ = 0;
    Token current_;
    qsizetype nextArgument_ = 0;
    QString error_;
};

}  // namespace

std::unique_ptr<PredicateNode> PredicateParser::parse(const QString& format,
                                                      const QVariantList& arguments,
                                                      QString* error) {
    return Parser(format, arguments).run(error);
}
