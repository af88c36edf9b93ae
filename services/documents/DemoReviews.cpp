#include "DemoReviews.h"

#include <QDate>
#include <QStringList>
#include <QTime>
#include <utility>

#include "DemoCatalogue.h"
#include "ReviewDocuments.h"

using namespace Qt::StringLiterals;

namespace {

// SplitMix64: small, fast, and its sequence is ours, so no library update can change the
// documents a game gets.
class Dice {
public:
    explicit Dice(quint64 seed) : state_(seed) {}
    quint64 next() {
        quint64 z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : int(next() % quint64(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    const QString& pick(const QStringList& list) { return list[below(int(list.size()))]; }

private:
    quint64 state_;
};

// One stream per document part, so that building one part never shifts another.
enum Stream : quint64 {
    kProductStream,
    kReviewStream,
    kReviewBodyStream,
    kArticleStream,
    kArticleBodyStream
};

Dice diceFor(const QString& criticonId, Stream stream, int number = 0) {
    return Dice(criticonId.toULongLong() * 131 + quint64(stream) * 0x10001 +
                quint64(number) * 7919 + 0x5eedULL);
}

// The template with %1 to %9 replaced by the values of those numbers (QString::arg with
// several values numbers them by rank instead, and a value is never read as a template).
QString fill(const QString& text, const QStringList& values) {
    QString result;
    result.reserve(text.size() + 64);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int number = i + 1 < text.size() && text[i] == u'%' ? text[i + 1].digitValue() : -1;
        if (number >= 1 && number <= values.size()) {
            result += values[number - 1];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

// ---- Invented words: no real person, studio or site -------------------------------------

const QStringList kFirstNames{u"Odessa"_s,  u"Bram"_s,  u"Ysolde"_s, u"Quentin"_s, u"Marisol"_s,
                              u"Teodor"_s,  u"Ffion"_s, u"Anselm"_s, u"Renée"_s,   u"Jörgen"_s,
                              u"Saoirse"_s, u"Íñigo"_s, u"Delphe"_s, u"Kasimir"_s, u"Liesbeth"_s,
                              u"Tamsin"_s,  u"Oskar"_s, u"Noémie"_s};
const QStringList kSurnames{u"Quillfeather"_s, u"Marrowby"_s,   u"Fennimoor"_s,    u"Tallowquist"_s,
                            u"Kestrelwick"_s,  u"Dunlevish"_s,  u"Pommeroux"_s,    u"Brindlecote"_s,
                            u"Østerhavn"_s,    u"Grünwalde"_s,  u"Sablethorn"_s,   u"Mirefield"_s,
                            u"Wickerstaff"_s,  u"Lanternby"_s,  u"Cobblesworth"_s, u"Vantrelle"_s,
                            u"Ashgrove-Pym"_s, u"Zaráte-Holm"_s};
const QStringList kPlaces{u"Varnholm"_s,    u"Quillmere"_s, u"Élanfor"_s,    u"Sünderhall"_s,
                          u"Montañar"_s,    u"Glimfen"_s,   u"Duskmarrow"_s, u"Cobblestrand"_s,
                          u"Isle Vantry"_s, u"Nûmaris"_s};
const QStringList kPraise{u"charming"_s, u"generous"_s, u"spirited"_s, u"handsome"_s,
                          u"clever"_s,   u"tidy"_s,     u"bold"_s,     u"über-polished"_s};

struct Kind {
    QString type;
    QString display;
    QStringList titles;  // %1 the game, %2 its developer
    // Publication window in days around the release.
    int earliest;
    int latest;
};

const QList<Kind> kKinds{
    {u"previews"_s,
     u"Preview"_s,
     {u"First look: %1"_s, u"Hands-on with %1"_s, u"%1: an early verdict"_s},
     -200,
     -10},
    {u"news"_s,
     u"News"_s,
     {u"%2 announces %1"_s, u"%1 gets a release date"_s, u"A patch for %1 is on its way"_s},
     -120,
     90},
    {u"interviews"_s,
     u"Interview"_s,
     {u"Five questions for the makers of %1"_s, u"Behind %1, with %2"_s},
     -150,
     30},
    {u"features"_s,
     u"Feature"_s,
     {u"The making of %1"_s, u"Ten things we loved about %1"_s, u"Why %1 matters"_s},
     -30,
     180},
    {u"guides"_s,
     u"Tips & Tricks"_s,
     {u"%1: a beginner's guide"_s, u"Secrets of %1, uncovered"_s},
     5,
     120},
    {u"videos"_s, u"Video"_s, {u"%1 trailer"_s, u"Watch: twelve minutes of %1"_s}, -90, 30},
};

// %1 the game, %2 its developer, %3 a place, %4 a word of praise.
const QStringList kArticleBlurbs{
    u"We spent an afternoon with <i>%1</i> and came back smiling."_s,
    u"%2 talk about building %3, one brick at a time."_s,
    u"Everything we know so far about %1, and a few things we guessed."_s,
    u"Our tips for getting through %3 without losing your hat."_s,
    u"A <b>%4</b> first taste of what %2 have been teasing for months."_s,
    u"Short, sweet and %4: what the newest footage of %1 reveals."_s};

// %1 the game, %2 its genre, %3 its developer, %4 its platform, %5 a place, %6 praise.
const QStringList kSentences{
    u"%1 arrives on the %4 with the confidence of a game that knows exactly what it wants to be."_s,
    u"The %2 core is sound, and %3 keep it moving at a brisk, welcoming pace."_s,
    u"Its levels around %5 are the highlight: layered, surprising and full of little jokes."_s,
    u"Not everything lands &mdash; the camera wanders, and the last hour drags a little."_s,
    u"There is a certain <i>je ne sais quoi</i> to it, a café-table calm between the storms."_s,
    u"Newcomers to %2 games will find the curve fair, if a touch naïve at the start."_s,
    u"The soundtrack, all brass and glockenspiel, deserves a release of its own."_s,
    u"Co-op play doubles the fun and, happily, halves the frustration."_s,
    u"Menus are clear, load times short, and the save system forgiving."_s,
    u"By the end it felt like déjà vu in the best sense: a %6 old favourite, made new."_s,
    u"The people of %5 talk, remember and occasionally hold a grudge &amp; a party."_s,
    u"Boss fights are %6 set pieces that reward patience over reflexes."_s,
    u"A photo mode lets you frame %5 at golden hour, and you will."_s,
    u"%3 have clearly listened: the controls on the %4 feel snappy and precise."_s,
    u"Side quests range from the sublime to the merely pleasant &ndash; none outstays its "
    u"welcome."_s,
    u"It is the rare %2 game that makes a crowded café of a menu screen feel cosy."_s};

// %1 a word of praise.
const QStringList kVerdicts{u"A %1 surprise."_s, u"Easy to recommend, and %1 with it."_s,
                            u"Flawed, but %1 and never dull."_s, u"A %1 return to form."_s,
                            u"Worth the wait: %1, mostly."_s};

// Draws are made one statement at a time: the order of a function's arguments is not fixed.
QString personName(Dice& dice) {
    const QString& first = dice.pick(kFirstNames);
    return first + u' ' + dice.pick(kSurnames);
}

QString timeStamp(const QDate& day, Dice& dice) {
    const int hour = dice.between(7, 20);
    const QTime time(hour, 15 * dice.below(4));
    return u"{ts '"_s + day.toString(Qt::ISODate) + u' ' + time.toString(u"HH:mm:ss"_s) + u"'}"_s;
}

QDate releaseOf(const DemoGame& game) {
    const QDate release = game.releaseDate();
    return release.isValid() ? release : QDate(2008, 1, 1);
}

// The review site scores every game it has reviewed; a score of 0 means no review yet.
bool isReviewed(const DemoGame& game) {
    const QString score = game.fields.value(1);
    return !score.isEmpty() && score != u"0"_s;
}

struct GameWords {
    QString title;
    QString genre;
    QString developer;
    QString platform;
};

GameWords wordsOf(const DemoGame& game) {
    return {game.title(), game.text(10).toLower(), game.text(17), game.text(9)};
}

// The indices 0 to count - 1 in an order of the dice's choosing.
QList<int> shuffled(int count, Dice& dice) {
    QList<int> order(count);
    for (int i = 0; i < count; ++i) {
        order[i] = i;
    }
    for (int i = count - 1; i > 0; --i) {
        std::swap(order[i], order[dice.below(i + 1)]);
    }
    return order;
}

// Sentences in a shuffled order, so a text repeats none before it has used them all.
QString paragraphs(const GameWords& words, Dice& dice, int count) {
    const QList<int> order = shuffled(int(kSentences.size()), dice);
    qsizetype next = 0;
    QString html;
    for (int p = 0; p < count; ++p) {
        html += u"<p>"_s;
        const int sentences = dice.between(2, 4);
        for (int s = 0; s < sentences; ++s) {
            if (s > 0) {
                html += u' ';
            }
            const QString& sentence = kSentences[order[next++ % order.size()]];
            html += fill(sentence, {words.title, words.genre, words.developer, words.platform,
                                    dice.pick(kPlaces), dice.pick(kPraise)});
        }
        html += u"</p>\n"_s;
    }
    return html;
}

// An embedded player as the site's editors pasted them; the program cuts these out.
QString embeddedPlayer(const QString& address) {
    const QString escaped = address.toHtmlEscaped();
    return u"<object width=\"280\" height=\"158\"><param name=\"movie\" value=\""_s + escaped +
           u"\"></param><embed src=\""_s + escaped +
           u"\" type=\"application/x-shockwave-flash\" width=\"280\" height=\"158\"></embed>"
           u"</object>\n"_s;
}

class GameDocuments {
public:
    GameDocuments(const QString& baseURL, const DemoGame& game)
        : baseURL_(baseURL), game_(game), id_(game.criticonId()), words_(wordsOf(game)) {}

    QString sitePage() const { return baseURL_ + u"/site/game/"_s + id_; }
    QString reviewAddress() const { return baseURL_ + u"/svc/review/"_s + id_; }
    QString articleAddress(int number) const {
        return baseURL_ + u"/svc/article/"_s + articleId(number);
    }
    QString articleId(int number) const { return id_ + QString::number(number); }

    // What the product document lists. The articles' bodies are left to each article's own
    // document, which keeps this cheap.
    ReviewDocuments::Product product() const {
        Dice dice = diceFor(id_, kProductStream);
        ReviewDocuments::Product product;
        product.title = words_.title;
        product.price = price(dice);
        const QList<const Kind*> kinds = relatedKinds();
        const int count = int(kinds.size());
        product.reviewPosition = dice.below(count + 1);
        const int shotDraw = dice.below(100);
        product.screenshots =
            shotDraw < 15 ? 0 : (shotDraw < 27 ? dice.between(36, 40) : dice.between(1, 35));
        product.screenshotFolder = baseURL_ + u"/shots/"_s + id_ + u'/';
        if (isReviewed(game_)) {
            const Review review = this->review(false);
            product.reviewAddress = reviewAddress();
            product.review.title = words_.title + u" review"_s;
            product.review.id = id_;
            product.review.typeDisplay = u"Review"_s;
            product.review.datePublished = review.date;
            product.review.author = review.author;
            product.review.blurb = review.blurb;
            product.review.linkBack = sitePage();
        }
        for (int number = 1; number <= count; ++number) {
            product.related.append(article(number, *kinds[number - 1]));
        }
        return product;
    }

    // Articles are numbered from 1 in document order; nothing beyond the game's count.
    std::optional<ReviewDocuments::Article> articleWithBody(int number) const {
        const QList<const Kind*> kinds = relatedKinds();
        if (number < 1 || number > kinds.size()) {
            return std::nullopt;
        }
        ReviewDocuments::Article article = this->article(number, *kinds[number - 1]);
        Dice bodyDice = diceFor(id_, kArticleBodyStream, number);
        article.body = paragraphs(words_, bodyDice, bodyDice.between(2, 4));
        if (article.type == u"videos"_s) {
            article.body.prepend(embeddedPlayer(sitePage()));
        }
        return article;
    }

    struct Review {
        QString body;
        QString blurb;
        QString author;
        QString date;
    };

    // The body, the expensive part, only when asked for.
    Review review(bool withBody) const {
        Dice dice = diceFor(id_, kReviewStream);
        Review review;
        review.author = personName(dice);
        review.date = timeStamp(releaseOf(game_).addDays(dice.between(0, 30)), dice);
        const QString& verdict = dice.pick(kVerdicts);
        review.blurb =
            game_.fields.value(1) + u" out of 5. "_s + fill(verdict, {dice.pick(kPraise)});
        if (!withBody) {
            return review;
        }
        Dice bodyDice = diceFor(id_, kReviewBodyStream);
        review.body = paragraphs(words_, bodyDice, bodyDice.between(3, 4));
        // Some reviews carry players: one, the same one twice, or two different ones.
        const int players = bodyDice.below(100);
        if (players < 35) {
            const QString player = embeddedPlayer(sitePage());
            const int at = int(review.body.indexOf(u"</p>\n"_s)) + 5;
            review.body.insert(at, player);
            if (players < 12) {
                review.body += player;
            } else if (players < 20) {
                review.body += embeddedPlayer(baseURL_ + u"/games/"_s + game_.playbaseId());
            }
        }
        return review;
    }

private:
    // The kinds of the related articles, in document order: one to six, repeating a kind only
    // when there are more articles than kinds. Unreviewed games are not out yet as far as the
    // site knows, so nothing written after a release is among theirs.
    QList<const Kind*> relatedKinds() const {
        Dice dice = diceFor(id_, kArticleStream);
        const int count = dice.between(1, 6);
        const bool reviewed = isReviewed(game_);
        QList<const Kind*> allowed;
        for (int i : shuffled(int(kKinds.size()), dice)) {
            if (reviewed || kKinds[i].earliest <= 0) {
                allowed.append(&kKinds[i]);
            }
        }
        QList<const Kind*> kinds;
        for (int i = 0; i < count; ++i) {
            kinds.append(allowed[i % allowed.size()]);
        }
        return kinds;
    }

    QString price(Dice& dice) const {
        static const QStringList kHandheld{u"19.99"_s, u"24.99"_s, u"29.99"_s, u"34.99"_s};
        static const QStringList kHome{u"29.99"_s, u"39.99"_s, u"49.99"_s, u"59.99"_s};
        const bool handheld = game_.platform == u"ds"_s || game_.platform == u"psp"_s;
        return dice.pick(handheld ? kHandheld : kHome);
    }

    // The related article, numbered from 1, as the product document lists it. Each has its
    // own dice so that its number alone decides it.
    ReviewDocuments::Article article(int number, const Kind& kind) const {
        Dice dice = diceFor(id_, kArticleStream, number);
        const int latest = isReviewed(game_) ? kind.latest : qMin(kind.latest, 0);
        ReviewDocuments::Article article;
        article.type = kind.type;
        article.prefix = dice.chance(50) ? u"article_"_s : u"content_"_s;
        article.title = fill(dice.pick(kind.titles), {words_.title, words_.developer});
        article.id = articleId(number);
        article.typeDisplay = kind.display;
        article.datePublished =
            timeStamp(releaseOf(game_).addDays(dice.between(kind.earliest, latest)), dice);
        article.author = personName(dice);
        const QString& blurb = dice.pick(kArticleBlurbs);
        article.blurb =
            fill(blurb, {words_.title, words_.developer, dice.pick(kPlaces), dice.pick(kPraise)});
        article.bodyService = articleAddress(number);
        article.linkBack = sitePage();
        return article;
    }

    const QString& baseURL_;
    const DemoGame& game_;
    QString id_;
    GameWords words_;
};

}  // namespace

DemoReviews::DemoReviews(const QString& baseURL) : baseURL_(baseURL) {}

QByteArray DemoReviews::productDocument(const QString& globalId) const {
    const DemoGame* game = DemoCatalogue::shared().findByCriticonId(globalId);
    if (!game) {
        ReviewDocuments::Product nothing;
        nothing.hasTitle = false;
        nothing.price.reset();
        return ReviewDocuments::productDocument(nothing);
    }
    return ReviewDocuments::productDocument(GameDocuments(baseURL_, *game).product());
}

QByteArray DemoReviews::errorDocument(const QString& message) const {
    return ReviewDocuments::errorDocument(403, message);
}

std::optional<QByteArray> DemoReviews::reviewDocument(const QString& id) const {
    const DemoGame* game = DemoCatalogue::shared().findByCriticonId(id);
    if (!game || !isReviewed(*game)) {
        return std::nullopt;
    }
    const GameDocuments::Review review = GameDocuments(baseURL_, *game).review(true);
    return ReviewDocuments::reviewDocument(review.body, review.blurb, review.author, review.date);
}

std::optional<QByteArray> DemoReviews::articleDocument(const QString& id) const {
    // An article id is its game's id followed by one digit, its number.
    if (id.size() < 2) {
        return std::nullopt;
    }
    const DemoGame* game = DemoCatalogue::shared().findByCriticonId(id.chopped(1));
    const int number = id.back().digitValue();
    if (!game || number < 1) {
        return std::nullopt;
    }
    const auto article = GameDocuments(baseURL_, *game).articleWithBody(number);
    if (!article) {
        return std::nullopt;
    }
    return ReviewDocuments::articleDocument(*article);
}
