#include "CatalogueGenerator.h"

#include <QMap>
#include <QRandomGenerator>
#include <array>

using namespace Qt::Literals::StringLiterals;

namespace CatalogueGenerator {

namespace {

const QString kSeparator = u"\",\""_s;
const QString kHost = u"http://127.0.0.1:8471"_s;

struct Choice {
    QString code;
    QString name;
    int weight;
};

// ---- Word lists: every name in the files is composed from these invented words -------------

const QStringList kAdjectives{
    u"Crimson"_s,   u"Hollow"_s,    u"Gilded"_s, u"Silent"_s,  u"Radiant"_s,    u"Feral"_s,
    u"Clockwork"_s, u"Velvet"_s,    u"Brass"_s,  u"Ember"_s,   u"Frosted"_s,    u"Lucky"_s,
    u"Tiny"_s,      u"Wandering"_s, u"Turbo"_s,  u"Neon"_s,    u"Paper"_s,      u"Midnight"_s,
    u"Sunken"_s,    u"Bitter"_s,    u"Glass"_s,  u"Rusty"_s,   u"Whispering"_s, u"Boundless"_s,
    u"Über"_s,      u"Fabulous"_s,  u"Cobalt"_s, u"Tumbling"_s};
const QStringList kNouns{
    u"Lantern"_s,  u"Tinker"_s,    u"Orchard"_s,   u"Circuit"_s, u"Harbour"_s,   u"Gambit"_s,
    u"Meadow"_s,   u"Rampart"_s,   u"Comet"_s,     u"Drifter"_s, u"Foundry"_s,   u"Lullaby"_s,
    u"Sprocket"_s, u"Vanguard"_s,  u"Kettle"_s,    u"Marmot"_s,  u"Outpost"_s,   u"Relay"_s,
    u"Beacon"_s,   u"Thimble"_s,   u"Monolith"_s,  u"Caravan"_s, u"Menagerie"_s, u"Café"_s,
    u"Pinwheel"_s, u"Labyrinth"_s, u"Dirigible"_s, u"Tapestry"_s};
const QStringList kPlaces{
    u"Varnholm"_s,     u"Quillmere"_s,       u"Ostravel"_s,  u"Duskmarrow"_s,   u"Brindlewick"_s,
    u"Kelvaro"_s,      u"Zephyrine"_s,       u"Élanfor"_s,   u"Sünderhall"_s,   u"Montañar"_s,
    u"Ryōkaze"_s,      u"Tarrowind"_s,       u"Glimfen"_s,   u"Cobblestrand"_s, u"Mirevault"_s,
    u"Pellucid Bay"_s, u"Hobbleton Flats"_s, u"Skarnwood"_s, u"Isle Vantry"_s,  u"Nûmaris"_s};
const QStringList kHeroes{
    u"Pip"_s,     u"Mabel"_s,           u"Orrin"_s,      u"Zuzu"_s, u"Tobiah"_s,
    u"Juniper"_s, u"Kestrel"_s,         u"Olo"_s,        u"Nell"_s, u"Brisket"_s,
    u"Wren"_s,    u"Fennick"_s,         u"Zéphine"_s,    u"Lüdo"_s, u"Oñaro"_s,
    u"Tōma"_s,    u"Captain Quibble"_s, u"Dr. Parsnip"_s};
const QStringList kThreats{u"the tide swallows the last lighthouse"_s,
                           u"the clockwork moon stops turning"_s,
                           u"the Marmot King's parade begins"_s,
                           u"winter freezes the canals"_s,
                           u"the final whistle blows"_s,
                           u"the rival crew steals the blueprints"_s,
                           u"the old foundry wakes"_s,
                           u"the carnival leaves town"_s};
const QStringList kVerbs{u"rescue"_s, u"rebuild"_s, u"outwit"_s, u"chart"_s,
                         u"defend"_s, u"restore"_s, u"escape"_s, u"unite"_s};

// Title words that fit a genre, indexed like the genre table.
const QList<QStringList> kGenreWords{
    {u"Strike"_s, u"Assault"_s, u"Run"_s, u"Rampage"_s},
    {u"Brawl"_s, u"Knockout"_s, u"Showdown"_s, u"Rumble"_s},
    {u"Blocks"_s, u"Tiles"_s, u"Riddles"_s, u"Cascade"_s},
    {u"Expedition"_s, u"Journey"_s, u"Mystery"_s, u"Secrets"_s},
    {u"Saga"_s, u"Chronicles"_s, u"Tales"_s, u"Legacy"_s},
    {u"Slam"_s, u"Cup"_s, u"League"_s, u"Kickabout"_s},
    {u"Rally"_s, u"Drift"_s, u"Speedway"_s, u"Road Trip"_s},
    {u"Tycoon"_s, u"Farmstead"_s, u"Life"_s, u"Workshop"_s},
    {u"Tactics"_s, u"Dominion"_s, u"Conquest"_s, u"Siege"_s},
    {u"Party"_s, u"Picnic"_s, u"Playground"_s, u"Fun Fair"_s},
    {u"Skies"_s, u"Wingmen"_s, u"Airstrip"_s, u"Squadron"_s},
};

const QList<Choice> kGenres{
    {u"ACTION"_s, u"Action"_s, 22},    {u"FIGHTING"_s, u"Fighting"_s, 6},
    {u"PUZZLE"_s, u"Puzzle"_s, 8},     {u"ADVENTURE"_s, u"Adventure"_s, 12},
    {u"RPG"_s, u"Role-Playing"_s, 11}, {u"SPORTS"_s, u"Sports"_s, 10},
    {u"DRIVING"_s, u"Driving"_s, 7},   {u"SIMULATION"_s, u"Simulation"_s, 7},
    {u"STRATEGY"_s, u"Strategy"_s, 7}, {u"FAMILY"_s, u"Family"_s, 8},
    {u"FLY"_s, u"Flight"_s, 2},
};
const QList<Choice> kEsrb{
    {u"EVERYONE"_s, u"Everyone"_s, 35},
    {u"R/P"_s, u"Rating Pending"_s, 5},
    {u"TEEN"_s, u"Teen"_s, 25},
    {u"MATURE"_s, u"Mature"_s, 15},
    {u"E10+"_s, u"Everyone 10+"_s, 12},
    {u"EARLY_CHILDHOOD"_s, u"Early Childhood"_s, 3},
    {u"KIDS_ADULTS"_s, u"Kids to Adults"_s, 4},
    {u"ADULTS_ONLY"_s, u"Adults Only"_s, 1},
};

const QStringList kStudioWords{
    u"Owlbeam"_s,       u"Pinwheel"_s,      u"Tidewater"_s,     u"Hushlight"_s,  u"Marrowfen"_s,
    u"Bramblecat"_s,    u"Sunfold"_s,       u"Glimmerjack"_s,   u"Cobaltine"_s,  u"Frostmoth"_s,
    u"Tallpine"_s,      u"Kitebox"_s,       u"Moonwick"_s,      u"Rustbucket"_s, u"Velloria"_s,
    u"Brûlée"_s,        u"Kōbō Lantern"_s,  u"Piñata Engine"_s, u"Quarkling"_s,  u"Snailmail"_s,
    u"Gumdrop Forge"_s, u"Twelve Ravens"_s, u"Wobbly Keel"_s,   u"Foxglove"_s};
const QStringList kStudioSuffixes{u"Studios"_s,   u"Interactive"_s, u"Games"_s,      u"Works"_s,
                                  u"Softworks"_s, u"Labs"_s,        u"Collective"_s, u"Digital"_s};
const QStringList kPublisherWords{
    u"Northwind Ledger"_s, u"Orbital Teacup"_s, u"Paperkite"_s,    u"Grand Umbrella"_s,
    u"Silverfin Abacus"_s, u"Heron Lane"_s,     u"Brightmoss"_s,   u"Copperplate Owl"_s,
    u"Sevenfold Mango"_s,  u"Quietbell"_s,      u"Starling Row"_s, u"Tumbleweed Union"_s,
    u"Mürren Gate"_s,      u"Señal Azulada"_s};
const QStringList kPublisherSuffixes{u"Publishing"_s, u"Media"_s, u"Distribution"_s,
                                     u"Entertainment"_s, u"Holdings"_s};

struct Platform {
    QString code;
    QString description;
    // Genre weights differ by platform: handhelds and the family console lean to puzzles and
    // family games, the computer to strategy and simulation.
    std::array<int, 11> genreWeightScale;
};

const QList<Platform> kPlatforms{
    {u"xbox360"_s, u"Xbox 360"_s, {3, 3, 1, 2, 2, 2, 3, 2, 2, 1, 2}},
    {u"wii"_s, u"Wii"_s, {2, 1, 3, 2, 1, 3, 2, 2, 1, 5, 1}},
    {u"ps3"_s, u"PS3"_s, {3, 3, 1, 2, 3, 2, 3, 1, 1, 1, 2}},
    {u"psp"_s, u"PSP"_s, {2, 2, 3, 2, 3, 2, 2, 1, 2, 1, 1}},
    {u"pc"_s, u"PC"_s, {2, 1, 2, 2, 3, 1, 1, 4, 5, 1, 3}},
    {u"ds"_s, u"DS"_s, {2, 1, 5, 3, 3, 1, 1, 2, 2, 4, 1}},
};

int platformNumber(const QString& platform) {
    for (int i = 0; i < kPlatforms.size(); ++i) {
        if (kPlatforms[i].code == platform) {
            return i;
        }
    }
    return -1;
}

class Writer {
public:
    Writer(const Options& options)
        : options_(options), platform_(qMax(0, platformNumber(options.platform))) {
        // The platform and the first index take part in the seed, so two platforms (or an
        // update range) with the same seed still differ.
        const std::array<quint32, 3> seeds{options.seed, quint32(platform_),
                                           quint32(options.firstIndex)};
        random_ = QRandomGenerator(seeds.data(), qsizetype(seeds.size()));
        for (int i = 0; i < 60; ++i) {
            QString studio = pick(kStudioWords);
            if (chance(8)) {
                // Some studio names carry an ampersand, written as an escape or an entity.
                const QString noun = pick(kNouns);
                studio += (chance(50) ? u" %26 "_s : u" &amp; "_s) + noun;
            }
            const QString suffix = pick(kStudioSuffixes);
            developers_.append(studio + u" "_s + suffix);
        }
        for (int i = 0; i < 18; ++i) {
            const QString suffix = pick(kPublisherSuffixes);
            publishers_.append(pick(kPublisherWords) + u" "_s + suffix);
        }
    }

    QStringList game(int index) {
        const Platform& platform = kPlatforms[platform_];
        const int genre = weighted(kGenres, &platform.genreWeightScale);
        const QDate release = releaseDate();
        const bool released = release <= options_.reportDate;
        int esrb = weighted(kEsrb, nullptr);
        if (!released && chance(60)) {
            esrb = 1;  // unreleased games are mostly still waiting for their rating
        }

        // Critic scores in halves; unreleased games have none yet.
        int criticon = 0;
        int critic = 0;
        int users = 0;
        if (released) {
            if (chance(80)) {
                const int up = int(random_.bounded(5));
                criticon = qBound(1, 6 + up - int(random_.bounded(4)), 10);
            }
            if (criticon > 0) {
                // A quarter of the reviewed rows carry only the review site's score.
                critic = chance(25) ? 0 : qBound(1, criticon + int(random_.bounded(3)) - 1, 10);
            } else if (chance(40)) {
                critic = 2 + int(random_.bounded(9));
            }
            if (chance(85)) {
                users = 10 + int(random_.bounded(41));
            }
        }

        const QString id = criticonId(options_.platform, index);
        const QString gameSiteId = playbaseId(options_.platform, index);
        const QString hero = pick(kHeroes);
        return {
            title(genre, hero),
            halves(criticon),
            halves(critic),
            users == 0 ? u"0"_s : QString::number(double(users) / 10.0, 'f', 1),
            id,
            gameSiteId,
            platform.code,
            kGenres[genre].code,
            kEsrb[esrb].code,
            platform.description,
            kGenres[genre].name,
            kEsrb[esrb].name,
            kHost + u"/box-art/"_s + platform.code + u"/"_s + id + u".jpg"_s,
            kHost + u"/site/game/"_s + id,
            kHost + u"/games/"_s + gameSiteId,
            description(genre, hero, release),
            release.toString(u"yyyy-MM-dd"_s),
            pick(developers_),
            chance(15) ? developers_[int(random_.bounded(int(developers_.size())))]
                       : pick(publishers_),
        };
    }

private:
    // No expression holds two draws: C++ leaves the order of operands open, and Clang and GCC
    // take them differently, so the samples would depend on the compiler. Later parts of a
    // text are drawn first, as the shipped samples were made.
    bool chance(int percent) { return int(random_.bounded(100)) < percent; }
    const QString& pick(const QStringList& list) {
        return list[int(random_.bounded(int(list.size())))];
    }
    int weighted(const QList<Choice>& choices, const std::array<int, 11>* scale) {
        int total = 0;
        for (int i = 0; i < choices.size(); ++i) {
            total += choices[i].weight * (scale ? (*scale)[i] : 1);
        }
        int at = int(random_.bounded(total));
        for (int i = 0; i < choices.size(); ++i) {
            at -= choices[i].weight * (scale ? (*scale)[i] : 1);
            if (at < 0) {
                return i;
            }
        }
        return 0;
    }
    static QString halves(int count) {
        return count == 0 ? u"0"_s : QString::number(double(count) / 2.0, 'f', 1);
    }

    QDate releaseDate() {
        const QDate first(2004, 1, 1);
        const QDate report = options_.reportDate;
        const QDate last = report.addYears(2);
        if (chance(10) && report < last) {
            return report.addDays(1 + qint64(random_.bounded(int(report.daysTo(last)))));
        }
        return first.addDays(
            qint64(random_.bounded(int(qMax<qint64>(0, first.daysTo(report))) + 1)));
    }

    QString title(int genre, const QString& hero) {
        QString text;
        switch (random_.bounded(6)) {
            case 0: {
                const QString last = pick(kNouns);
                text = pick(kAdjectives) + u" "_s + last;
            } break;
            case 1: {
                const QString last = pick(kPlaces);
                text = pick(kNouns) + u" of "_s + last;
            } break;
            case 2: {
                const QString noun = pick(kNouns);
                text = hero + (chance(20) ? u"&#39;s "_s : u"'s "_s) + noun;
            } break;
            case 3: {
                const QString noun = pick(kNouns);
                text = u"The "_s + pick(kAdjectives) + u" "_s + noun;
            } break;
            case 4: {
                const QString last = pick(kGenreWords[genre]);
                text = pick(kPlaces) + u" "_s + last;
            } break;
            default: {
                const QString other = pick(kHeroes);
                text = hero + (chance(50) ? u" %26 "_s : u" &amp; "_s) + other;
            } break;
        }
        if (chance(20)) {
            // A subtitle, its colon sometimes percent-escaped as the service sends it.
            const QString kind = pick(kGenreWords[genre]);
            const QString place = pick(kPlaces);
            text += (chance(50) ? u"%3A "_s : u": "_s) + place + u" "_s + kind;
        }
        if (chance(12)) {
            static const QStringList sequels{u" 2"_s, u" 3"_s, u" II"_s, u" III"_s, u" 4"_s};
            text += pick(sequels);
        }
        if (chance(4)) {
            text += u"&#8482;"_s;
        }
        if (chance(3)) {
            text.replace(u' ', u"%20"_s);
        }
        return text;
    }

    QString description(int genre, const QString& hero, const QDate& release) {
        QStringList sentences;
        const QString threat = pick(kThreats);
        const QString place = pick(kPlaces);
        const QString noun = pick(kNouns).toLower();
        const QString adjective = pick(kAdjectives).toLower();
        sentences.append(hero + u" must "_s + pick(kVerbs) + u" the "_s + adjective + u" "_s +
                         noun + u" of "_s + place + u" before "_s + threat + u"."_s);
        const int extra = 1 + int(random_.bounded(3));
        for (int i = 0; i < extra; ++i) {
            switch (random_.bounded(6)) {
                case 0: {
                    const QString to = pick(kPlaces);
                    const QString from = pick(kPlaces);
                    sentences.append(u"Explore "_s + QString::number(12 + random_.bounded(80)) +
                                     u" hand-drawn levels, from "_s + from + u" to "_s + to +
                                     u"."_s);
                } break;
                case 1:
                    sentences.append(u"Up to "_s + QString::number(2 + random_.bounded(3)) +
                                     u" players can join in, side by side or online."_s);
                    break;
                case 2: {
                    const QString badge = pick(kNouns).toLower();
                    sentences.append(u"Master the "_s + pick(kGenreWords[genre]).toLower() +
                                     u" mode and earn every "_s + badge + u" badge."_s);
                } break;
                case 3:
                    sentences.append(u"Critics called it &quot;"_s + pick(kAdjectives).toLower() +
                                     u" and utterly charming&quot;."_s);
                    break;
                case 4: {
                    const QString band = pick(kNouns);
                    sentences.append(u"Includes a soundtrack by the "_s + pick(kAdjectives) +
                                     u" "_s + band + u" Ensemble &amp; friends."_s);
                } break;
                default:
                    sentences.append(u"Build, trade %26 race your own "_s + pick(kNouns).toLower() +
                                     u" fleet."_s);
                    break;
            }
        }
        if (chance(20)) {
            const int at = int(random_.bounded(int(sentences.size())));
            const bool bold = chance(50);
            sentences[at] =
                (bold ? u"<b>"_s : u"<i>"_s) + sentences[at] + (bold ? u"</b>"_s : u"</i>"_s);
        }
        if (chance(5)) {
            sentences.append(u"&copy; "_s + QString::number(release.year()) + u" "_s +
                             pick(developers_) + u"."_s);
        }
        QString text = sentences.join(u' ');
        if (chance(15)) {
            text = u"<p>"_s + text + u"</p>"_s;
        }
        if (chance(3)) {
            text.replace(u' ', u"%20"_s);
        }
        return text;
    }

    const Options& options_;
    int platform_;
    QRandomGenerator random_;
    QStringList developers_;
    QStringList publishers_;
};

}  // namespace

QStringList platforms() {
    QStringList codes;
    for (const Platform& platform : kPlatforms) {
        codes.append(platform.code);
    }
    return codes;
}

Options shippedOptions(const QString& platform) {
    // The counts differ by platform, as the real catalogues did.
    static const QMap<QString, std::pair<int, quint32>> kShipped{
        {u"xbox360"_s, {2350, 3601}}, {u"wii"_s, {2100, 3602}}, {u"ps3"_s, {2200, 3603}},
        {u"psp"_s, {1650, 3604}},     {u"pc"_s, {2450, 3605}},  {u"ds"_s, {1900, 3606}},
    };
    Options options;
    const auto found = kShipped.constFind(platform);
    if (found == kShipped.constEnd()) {
        return options;
    }
    options.platform = platform;
    options.games = found->first;
    options.seed = found->second;
    options.reportDate = QDate(2026, 11, 1);
    return options;
}

bool isKnownPlatform(const QString& platform) {
    return platformNumber(platform) >= 0;
}

QString criticonId(const QString& platform, int index) {
    // Ten million ids per platform keep the ids of different platforms apart.
    return QString::number(qint64(platformNumber(platform) + 1) * 10000000 + 500000 + index);
}

QString playbaseId(const QString& platform, int index) {
    return QString::number(qint64(platformNumber(platform) + 1) * 10000000 + 5000000 +
                           qint64(7) * index + 3);
}

QList<QStringList> rows(const Options& options) {
    QList<QStringList> result;
    result.reserve(qMax(0, options.games));
    Writer writer(options);
    for (int i = 0; i < options.games; ++i) {
        result.append(writer.game(options.firstIndex + i));
    }
    return result;
}

QString rowText(const QStringList& fields) {
    return u"\""_s + fields.join(kSeparator) + u"\"\r"_s;
}

QString catalogueText(const QDate& reportDate, const QList<QStringList>& rows) {
    QString text = u"<catalogue>\n<reportDateYMD>"_s + reportDate.toString(u"yyyy-MM-dd"_s) +
                   u"</reportDateYMD>\n<games>\n"_s;
    for (const QStringList& fields : rows) {
        text += rowText(fields);
        text += u'\n';
    }
    text += u"</games>\n</catalogue>\n"_s;
    return text;
}

QString catalogueText(const Options& options) {
    return catalogueText(options.reportDate, rows(options));
}

QByteArray catalogueBytes(const Options& options) {
    return catalogueText(options).toUtf8();
}

}  // namespace CatalogueGenerator
