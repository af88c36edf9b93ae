#include "Game.h"

#include <cstring>

#include "FoldedText.h"
#include "ManagedObjectContext.h"
#include "SearchText.h"

using namespace Qt::Literals::StringLiterals;

Game::Game(ManagedObjectContext* context, qint64 primaryKey, qint64 sequence)
    : context_(context), primaryKey_(primaryKey), sequence_(sequence) {}

Game::~Game() = default;

QDateTime Game::dateValue(GameAttribute attribute) const {
    const std::optional<qint64> msecs = dateMsecs(attribute);
    return msecs ? QDateTime::fromMSecsSinceEpoch(*msecs) : QDateTime();
}

void Game::setStringValue(GameAttribute attribute, const QString& value) {
    if (GameAttributes::typeOf(attribute) != AttributeType::String) {
        return;
    }
    QString& slot = strings_[GameAttributes::slotOf(attribute)];
    if (slot.isNull() == value.isNull() && slot == value) {
        return;
    }
    slot = value;
    didChange(attribute);
}

void Game::setFloatValue(GameAttribute attribute, std::optional<float> value) {
    if (GameAttributes::typeOf(attribute) != AttributeType::Float) {
        return;
    }
    std::optional<float>& slot = floats_[GameAttributes::slotOf(attribute)];
    // Bitwise, so that a NaN set twice and -0 versus 0 behave predictably.
    if (slot.has_value() == value.has_value() &&
        (!value || std::memcmp(&*slot, &*value, sizeof(float)) == 0)) {
        return;
    }
    slot = value;
    didChange(attribute);
}

void Game::setFlagValue(GameAttribute attribute, std::optional<int> value) {
    if (GameAttributes::typeOf(attribute) != AttributeType::Flag) {
        return;
    }
    std::optional<int>& slot = flags_[GameAttributes::slotOf(attribute)];
    if (slot == value) {
        return;
    }
    slot = value;
    didChange(attribute);
}

void Game::setDateValue(GameAttribute attribute, const QDateTime& value) {
    setDateMsecs(attribute,
                 value.isValid() ? std::optional<qint64>(value.toMSecsSinceEpoch()) : std::nullopt);
}

void Game::setDateMsecs(GameAttribute attribute, std::optional<qint64> value) {
    if (GameAttributes::typeOf(attribute) != AttributeType::Date) {
        return;
    }
    std::optional<qint64>& slot = dates_[GameAttributes::slotOf(attribute)];
    if (slot == value) {
        return;
    }
    slot = value;
    didChange(attribute);
}

QVariant Game::valueForKey(GameAttribute attribute) const {
    switch (GameAttributes::typeOf(attribute)) {
        case AttributeType::String: {
            const QString& value = stringValue(attribute);
            return value.isNull() ? QVariant() : QVariant(value);
        }
        case AttributeType::Float: {
            const std::optional<float> value = floatValue(attribute);
            return value ? QVariant(*value) : QVariant();
        }
        case AttributeType::Flag: {
            const std::optional<int> value = flagValue(attribute);
            return value ? QVariant(*value) : QVariant();
        }
        case AttributeType::Date: {
            const QDateTime value = dateValue(attribute);
            return value.isValid() ? QVariant(value) : QVariant();
        }
    }
    return {};
}

void Game::setValueForKey(GameAttribute attribute, const QVariant& value) {
    const bool absent = !value.isValid() || value.isNull();
    switch (GameAttributes::typeOf(attribute)) {
        case AttributeType::String:
            setStringValue(attribute,
                           absent || !value.canConvert<QString>() ? QString() : value.toString());
            return;
        case AttributeType::Float: {
            bool ok = false;
            const double number = absent ? 0 : value.toDouble(&ok);
            setFloatValue(attribute, ok ? std::optional<float>(float(number)) : std::nullopt);
            return;
        }
        case AttributeType::Flag: {
            bool ok = false;
            const double number = absent ? 0 : value.toDouble(&ok);
            setFlagValue(attribute, ok ? std::optional<int>(int(number)) : std::nullopt);
            return;
        }
        case AttributeType::Date:
            setDateValue(attribute, absent ? QDateTime() : value.toDateTime());
            return;
    }
}

QByteArray Game::foldedText(GameAttribute attribute) const {
    const int foldSlot = GameAttributes::foldSlotOf(attribute);
    return foldSlot < 0 ? FoldedText::fold(stringValue(attribute))
                        : searchText().field(foldSlot).toByteArray();
}

const SearchText& Game::searchText() const {
    if (!searchText_) {
        searchText_ = std::make_unique<SearchText>(title(), gameDescription(), genreDescription());
    }
    return *searchText_;
}

QString Game::description() const {
    return u"<Game %1: \"%2\" idCriticon \"%3\">"_s.arg(QString::number(primaryKey_), title(),
                                                        idCriticon());
}

void Game::didChange(GameAttribute attribute) {
    if (GameAttributes::foldSlotOf(attribute) >= 0) {
        searchText_.reset();
    }
    if (context_) {
        context_->gameDidChange(this, attribute);
    }
}
