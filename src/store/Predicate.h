#pragma once

#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>
#include <utility>

#include "GameAttribute.h"

class Game;
struct PredicateNode;

// A condition on Game records, written in the format language of PredicateParser
// ("(genreCode == %@)", "(releaseDate > %@ AND releaseDate <= %@)", "(title contains[cd] %@)")
// and compiled once into typed comparisons. A malformed format gives an invalid predicate
// that carries its error text; it matches nothing and fetches with it fail. A value type:
// copies share the compiled tree. Any thread may evaluate it on records it may read.
//
// Semantics: an absent value fails every comparison; strings compare exactly by UTF-16 code
// units; numbers compare as doubles; dates as instants; contains[cd] is a substring test that
// ignores case and diacritics (FoldedText), and an empty needle never matches.
class Predicate {
public:
    static Predicate predicateWithFormat(const QString& format, const QVariantList& arguments = {});
    // Invalid when any part is invalid. An empty AND holds for every record, an empty OR for
    // none.
    static Predicate andPredicateWithSubpredicates(const QList<Predicate>& subpredicates);
    static Predicate orPredicateWithSubpredicates(const QList<Predicate>& subpredicates);

    Predicate();  // invalid
    ~Predicate();
    Predicate(const Predicate&);
    Predicate& operator=(const Predicate&);

    bool isValid() const { return root_ != nullptr; }
    QString errorString() const { return error_; }
    // The format with its constants filled in: strings in double quotes, numbers plain, dates
    // in local ISO form; parts of AND / OR each in parentheses:
    // (genreCode == "ACTION") AND (myIsPlayed == 1).
    QString description() const;
    bool evaluateWithObject(const Game* game) const;

    // A "key == string" condition that every match must meet (the whole predicate, or a part
    // of its top-level AND), so a fetch can start from an index; nothing when there is none.
    std::optional<std::pair<GameAttribute, QString>> requiredStringEquality() const;

private:
    static Predicate compound(const QList<Predicate>& subpredicates, bool isAnd);

    std::shared_ptr<const PredicateNode> root_;
    QString error_;
};
