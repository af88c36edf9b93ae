#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <array>
#include <memory>
#include <optional>

#include "GameAttribute.h"

class ManagedObjectContext;
class SearchText;

// One game of the catalogue: a record of the store, owned by its context (everyone else holds
// Game*; it lives as long as the context). Every setter records the change in the context and
// drops the record's cached folded text; setting the value it already has records nothing.
// Absent values: a null QString, an empty optional, a null QDateTime, an invalid QVariant.
// Main thread only, like its context.
class Game {
public:
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    ~Game();

    QString title() const { return stringValue(GameAttribute::title); }
    void setTitle(const QString& value) { setStringValue(GameAttribute::title, value); }
    std::optional<float> scoreCriticon() const { return floatValue(GameAttribute::scoreCriticon); }
    void setScoreCriticon(std::optional<float> value) {
        setFloatValue(GameAttribute::scoreCriticon, value);
    }
    std::optional<float> scoreCritic() const { return floatValue(GameAttribute::scoreCritic); }
    void setScoreCritic(std::optional<float> value) {
        setFloatValue(GameAttribute::scoreCritic, value);
    }
    std::optional<float> scoreUsers() const { return floatValue(GameAttribute::scoreUsers); }
    void setScoreUsers(std::optional<float> value) {
        setFloatValue(GameAttribute::scoreUsers, value);
    }
    QString idCriticon() const { return stringValue(GameAttribute::idCriticon); }
    void setIdCriticon(const QString& value) { setStringValue(GameAttribute::idCriticon, value); }
    QString idPlaybase() const { return stringValue(GameAttribute::idPlaybase); }
    void setIdPlaybase(const QString& value) { setStringValue(GameAttribute::idPlaybase, value); }
    QString platformCode() const { return stringValue(GameAttribute::platformCode); }
    void setPlatformCode(const QString& value) {
        setStringValue(GameAttribute::platformCode, value);
    }
    QString genreCode() const { return stringValue(GameAttribute::genreCode); }
    void setGenreCode(const QString& value) { setStringValue(GameAttribute::genreCode, value); }
    QString esrbCode() const { return stringValue(GameAttribute::esrbCode); }
    void setEsrbCode(const QString& value) { setStringValue(GameAttribute::esrbCode, value); }
    QString platformDescription() const { return stringValue(GameAttribute::platformDescription); }
    void setPlatformDescription(const QString& value) {
        setStringValue(GameAttribute::platformDescription, value);
    }
    QString genreDescription() const { return stringValue(GameAttribute::genreDescription); }
    void setGenreDescription(const QString& value) {
        setStringValue(GameAttribute::genreDescription, value);
    }
    QString esrbDescription() const { return stringValue(GameAttribute::esrbDescription); }
    void setEsrbDescription(const QString& value) {
        setStringValue(GameAttribute::esrbDescription, value);
    }
    QString urlBoxArt() const { return stringValue(GameAttribute::urlBoxArt); }
    void setUrlBoxArt(const QString& value) { setStringValue(GameAttribute::urlBoxArt, value); }
    QString urlCriticonLink() const { return stringValue(GameAttribute::urlCriticonLink); }
    void setUrlCriticonLink(const QString& value) {
        setStringValue(GameAttribute::urlCriticonLink, value);
    }
    QString urlPlaybaseLink() const { return stringValue(GameAttribute::urlPlaybaseLink); }
    void setUrlPlaybaseLink(const QString& value) {
        setStringValue(GameAttribute::urlPlaybaseLink, value);
    }
    QString gameDescription() const { return stringValue(GameAttribute::gameDescription); }
    void setGameDescription(const QString& value) {
        setStringValue(GameAttribute::gameDescription, value);
    }
    QDateTime releaseDate() const { return dateValue(GameAttribute::releaseDate); }
    void setReleaseDate(const QDateTime& value) { setDateValue(GameAttribute::releaseDate, value); }
    QString developer() const { return stringValue(GameAttribute::developer); }
    void setDeveloper(const QString& value) { setStringValue(GameAttribute::developer, value); }
    QString publisher() const { return stringValue(GameAttribute::publisher); }
    void setPublisher(const QString& value) { setStringValue(GameAttribute::publisher, value); }
    std::optional<float> scoreDisplay() const { return floatValue(GameAttribute::scoreDisplay); }
    void setScoreDisplay(std::optional<float> value) {
        setFloatValue(GameAttribute::scoreDisplay, value);
    }
    std::optional<float> myScore() const { return floatValue(GameAttribute::myScore); }
    void setMyScore(std::optional<float> value) { setFloatValue(GameAttribute::myScore, value); }
    std::optional<int> myIsWished() const { return flagValue(GameAttribute::myIsWished); }
    void setMyIsWished(std::optional<int> value) { setFlagValue(GameAttribute::myIsWished, value); }
    std::optional<int> myIsPlayed() const { return flagValue(GameAttribute::myIsPlayed); }
    void setMyIsPlayed(std::optional<int> value) { setFlagValue(GameAttribute::myIsPlayed, value); }
    QString myReview() const { return stringValue(GameAttribute::myReview); }
    void setMyReview(const QString& value) { setStringValue(GameAttribute::myReview, value); }
    QDateTime createdTimestamp() const { return dateValue(GameAttribute::createdTimestamp); }
    void setCreatedTimestamp(const QDateTime& value) {
        setDateValue(GameAttribute::createdTimestamp, value);
    }

    // Generic access. Values: QString, float, int, QDateTime by the attribute's type; setting
    // converts numbers and strings that read as numbers, anything unconvertible sets absent.
    QVariant valueForKey(GameAttribute attribute) const;
    void setValueForKey(GameAttribute attribute, const QVariant& value);

    // Typed access by attribute. An attribute of another type reads as absent and is not set.
    const QString& stringValue(GameAttribute attribute) const {
        static const QString absent;
        return GameAttributes::typeOf(attribute) == AttributeType::String
                   ? strings_[GameAttributes::slotOf(attribute)]
                   : absent;
    }
    std::optional<float> floatValue(GameAttribute attribute) const {
        return GameAttributes::typeOf(attribute) == AttributeType::Float
                   ? floats_[GameAttributes::slotOf(attribute)]
                   : std::nullopt;
    }
    std::optional<int> flagValue(GameAttribute attribute) const {
        return GameAttributes::typeOf(attribute) == AttributeType::Flag
                   ? flags_[GameAttributes::slotOf(attribute)]
                   : std::nullopt;
    }
    // Dates as msecs since the epoch, so filters and sorts never convert time zones.
    std::optional<qint64> dateMsecs(GameAttribute attribute) const {
        return GameAttributes::typeOf(attribute) == AttributeType::Date
                   ? dates_[GameAttributes::slotOf(attribute)]
                   : std::nullopt;
    }
    QDateTime dateValue(GameAttribute attribute) const;
    void setStringValue(GameAttribute attribute, const QString& value);
    void setFloatValue(GameAttribute attribute, std::optional<float> value);
    void setFlagValue(GameAttribute attribute, std::optional<int> value);
    void setDateValue(GameAttribute attribute, const QDateTime& value);
    void setDateMsecs(GameAttribute attribute, std::optional<qint64> value);

    // The folded form (FoldedText) of a string attribute, cached for the searched attributes.
    QByteArray foldedText(GameAttribute attribute) const;
    // The folded searched texts, computed on first use and dropped when one of them changes.
    const SearchText& searchText() const;
    // A hint for scans: starts loading the folded texts, if there are any, into the cache.
    void prefetchSearchText() const {
        if (searchText_) {
            __builtin_prefetch(searchText_.get());
        }
    }

    // "<Game 12: "Title" idCriticon "123">"; 0 stands for a record not saved yet.
    QString description() const;
    ManagedObjectContext* managedObjectContext() const { return context_; }
    // The row id in the store; 0 until the record is first saved.
    qint64 primaryKey() const { return primaryKey_; }

private:
    friend class ManagedObjectContext;
    friend class GameTable;
    friend class GameSorter;
    Game(ManagedObjectContext* context, qint64 primaryKey, qint64 sequence);

    void didChange(GameAttribute attribute);

    ManagedObjectContext* context_;
    mutable std::unique_ptr<SearchText> searchText_;  // null until the first search
    qint64 primaryKey_;
    qint64 sequence_;  // insertion order: the primary key when loaded, later for new records
    int index_ = -1;   // position in the context's list of all records (in sequence order)
    bool inserted_ = false;
    bool changed_ = false;
    quint32 changedAttributes_ = 0;  // bit per GameAttribute changed since the last save
    std::array<QString, GameAttributes::countOf(AttributeType::String)> strings_;
    std::array<std::optional<float>, GameAttributes::countOf(AttributeType::Float)> floats_;
    std::array<std::optional<int>, GameAttributes::countOf(AttributeType::Flag)> flags_;
    std::array<std::optional<qint64>, GameAttributes::countOf(AttributeType::Date)> dates_;
};
