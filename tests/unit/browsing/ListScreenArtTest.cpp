#include <gtest/gtest.h>

#include <QImage>
#include <QSize>
#include <QString>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct Art {
    QString name;
    QSize points;
};

// The list screen's pictures and their sizes in points, as resources/images/LIST_SCREEN_ART.md
// promises them to the interface file.
const QList<Art>& listScreenArt() {
    static const QList<Art> art{
        {u"bar_tabs"_s, {320, 33}},
        {u"tab_all"_s, {104, 29}},
        {u"tab_all_selected"_s, {104, 29}},
        {u"tab_my"_s, {104, 29}},
        {u"tab_my_selected"_s, {104, 29}},
        {u"tab_explore"_s, {104, 29}},
        {u"tab_explore_selected"_s, {104, 29}},
        {u"bar_filter"_s, {320, 76}},
        {u"filter_wish"_s, {98, 28}},
        {u"filter_wish_selected"_s, {98, 28}},
        {u"filter_rated"_s, {98, 28}},
        {u"filter_rated_selected"_s, {98, 28}},
        {u"filter_played"_s, {98, 28}},
        {u"filter_played_selected"_s, {98, 28}},
        {u"sort_date"_s, {120, 28}},
        {u"sort_date_selected"_s, {120, 28}},
        {u"sort_score"_s, {120, 28}},
        {u"sort_score_selected"_s, {120, 28}},
        {u"explore_panel"_s, {320, 272}},
        {u"explore_choice"_s, {98, 28}},
        {u"explore_choice_selected"_s, {98, 28}},
        {u"explore_bar_score"_s, {96, 208}},
        {u"explore_bar_esrb"_s, {96, 208}},
        {u"explore_bar_genre"_s, {96, 208}},
        {u"explore_thumb_score"_s, {36, 20}},
        {u"explore_thumb_esrb"_s, {36, 20}},
        {u"explore_thumb_genre"_s, {36, 20}},
        {u"explore_sort_date"_s, {70, 24}},
        {u"explore_sort_date_selected"_s, {70, 24}},
        {u"explore_sort_score"_s, {70, 24}},
        {u"explore_sort_score_selected"_s, {70, 24}},
        {u"explore_search_field"_s, {160, 26}},
        {u"bar_status"_s, {320, 38}},
        {u"icon_gear"_s, {24, 24}},
        {u"overlay_busy"_s, {110, 100}},
        {u"list_background"_s, {320, 370}},
    };
    return art;
}

QImage load(const QString& name) {
    return QImage(u":/"_s + name);
}

}  // namespace

TEST(ListScreenArt, EveryPictureIsBuiltInAtItsSizeWithASharpTwinAtTwiceIt) {
    for (const Art& art : listScreenArt()) {
        SCOPED_TRACE(art.name.toStdString());
        const QImage plain = load(art.name + u".png"_s);
        const QImage sharp = load(art.name + u"@2x.png"_s);
        ASSERT_FALSE(plain.isNull());
        ASSERT_FALSE(sharp.isNull());
        EXPECT_EQ(plain.size(), art.points);
        EXPECT_EQ(sharp.size(), art.points * 2);
    }
}

TEST(ListScreenArt, SelectedStatesLookDifferentFromNormalOnes) {
    for (const Art& art : listScreenArt()) {
        if (!art.name.endsWith(u"_selected"_s))
            continue;
        SCOPED_TRACE(art.name.toStdString());
        const QString normal = art.name.chopped(u"_selected"_s.size());
        EXPECT_NE(load(art.name + u".png"_s), load(normal + u".png"_s));
    }
}
