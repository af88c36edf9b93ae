#include "MobiWebViewController.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QUrlQuery>

#include "ActionSheet.h"
#include "Animator.h"
#include "FakeHttpServer.h"
#include "Model.h"
#include "NavigationController.h"
#include "NetworkActivityIndicator.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedEnv.h"
#include "SystemURLOpener.h"
#include "TestStore.h"
#include "WebView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QMap<QString, QString> mailParts(const QUrl& mail) {
    QMap<QString, QString> parts;
    for (const auto& [key, value] : QUrlQuery(mail).queryItems(QUrl::FullyDecoded)) {
        parts.insert(key, value);
    }
    return parts;
}

}  // namespace

// Titles show what follows the first "http://" (wherever it stands), else the first
// "https://"; nothing in a mailed address or page title adds a recipient or a parameter.
TEST(MobiWebViewTexts, TitlesAreCutAndMailedLinksComeBackWhole) {
    const std::pair<QString, QString> titles[] = {
        {u"see https://b.test/y"_s, u"b.test/y"_s},
        {u"https://c.test/?next=http://d.test"_s, u"d.test"_s},
        {u"Plain title"_s, u"Plain title"_s},
    };
    for (const auto& [text, shown] : titles) {
        EXPECT_EQ(MobiWebViewController::cutTitle(text), shown) << text.toStdString();
    }
    const QString address = u"http://a.test/p?x=1&y=2#frag"_s;
    const std::pair<QString, QString> subjects[] = {
        {u"Hi&bcc=someone@x.test?cc=z#t 100%"_s,
         u"[Trillboard] Hi&bcc=someone@x.test?cc=z#t 100%"_s},
        {QString(), u"As seen in Trillboard today:"_s},
    };
    for (const auto& [title, subject] : subjects) {
        const QMap<QString, QString> parts =
            mailParts(MobiWebViewController::mailLinkURL(address, title));
        EXPECT_EQ(parts.keys(), (QStringList{u"body"_s, u"subject"_s}));
        EXPECT_EQ(parts.value(u"subject"_s), subject);
        EXPECT_TRUE(parts.value(u"body"_s).contains(u"\n\n"_s + address + u"\n"_s));
    }
}

namespace {

class MobiWebView : public testing::Test {
protected:
    MobiWebView() {
        Animator::setImmediate(true);
        SystemURLOpener::setOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
        navigation.resize(320, 480);
        navigation.show();
        viewer = new MobiWebViewController();
        viewer->setNavigationController(&navigation);
        navigation.pushViewController(viewer, false);
        server.answer(u"/a"_s, {200, "<title>First</title>", "text/html"});
        server.answer(u"/b"_s, {200, "<p>no title</p>", "text/html"});
        server.answer(u"/slow"_s, {.body = "late", .delayMsecs = 10 * 60 * 1000});
    }
    ~MobiWebView() override {
        SystemURLOpener::setOpener({});
        Animator::setImmediate(false);
    }

    bool open(const QString& path) {
        QSignalSpy ended(viewer->webView(), &WebView::loadEnded);
        viewer->setURL(server.url(path));
        return ended.wait(20000) && ended.first().first().toBool();
    }
    // Chooses an entry of the viewer's action menu and answers what went outside.
    QUrl choose(const QString& entry = u"Send link in email"_s) {
        viewer->showActions();
        ActionSheet* sheet = ActionSheet::visibleSheets().value(0);
        if (sheet == nullptr) {
            ADD_FAILURE() << "no action sheet";
            return {};
        }
        const qsizetype before = opened.size();
        sheet->dismissWithClickedButtonIndex(int(sheet->buttonTitles().indexOf(entry)), false);
        return opened.size() > before ? opened.last() : QUrl();
    }

    ScopedEnv outbox{"QUESTLOG_MAIL_OUTBOX", ""};
    FakeHttpServer server;
    NavigationController navigation;
    MobiWebViewController* viewer = nullptr;
    QList<QUrl> opened;
};

}  // namespace

TEST_F(MobiWebView, BrowsesBackAndSharesThePageShown) {
    ASSERT_TRUE(open(u"/a"_s));
    EXPECT_EQ(viewer->titleLabel()->text(), u"First"_s);
    EXPECT_FALSE(viewer->backButton()->isEnabled());
    EXPECT_FALSE(viewer->activityIndicator()->isAnimating() ||
                 NetworkActivityIndicator::isVisible());

    // A page without a title keeps the one shown: its address.
    ASSERT_TRUE(open(u"/b"_s));
    EXPECT_EQ(viewer->titleLabel()->text(), MobiWebViewController::cutTitle(server.url(u"/b"_s)));
    EXPECT_TRUE(viewer->backButton()->isEnabled());
    EXPECT_EQ(mailParts(choose()).value(u"subject"_s), u"[Trillboard] "_s);

    QSignalSpy back(viewer->webView(), &WebView::loadEnded);
    viewer->backButton()->click();
    ASSERT_TRUE(back.wait(20000));
    EXPECT_EQ(viewer->titleLabel()->text(), u"First"_s);
    EXPECT_FALSE(viewer->backButton()->isEnabled());

    // The page shown now, not the address last set.
    const QMap<QString, QString> mail = mailParts(choose());
    EXPECT_TRUE(mail.value(u"body"_s).contains(server.url(u"/a"_s) + u"\n"_s));
    EXPECT_EQ(mail.value(u"subject"_s), u"[Trillboard] First"_s);
    EXPECT_EQ(choose(u"Launch in Browser"_s), QUrl(server.url(u"/a"_s)));

    // Leaving stops a page that is loading, and the busy sign with it: stopped before the
    // engine began, or told as cut short (the page never answers).
    viewer->setURL(server.url(u"/slow"_s));
    QSignalSpy ended(viewer->webView(), &WebView::loadEnded);
    viewer->hide();
    EXPECT_TRUE(!viewer->webView()->isLoading() || ended.wait(20000));
    EXPECT_FALSE(viewer->webView()->isLoading() || NetworkActivityIndicator::isVisible());
    viewer->closeBrowserButton()->click();
    EXPECT_EQ(navigation.viewControllers().size(), 1);
}

// An article comes from the review service and shows in the article template; its mailed link
// is the game's page, as the viewer has no address of its own.
TEST_F(MobiWebView, ArticleShowsWithTheGamesLink) {
    ReviewDocuments::Article article;
    article.title = u"A preview"_s;
    server.answer(u"/svc/article/1"_s,
                  {200, ReviewDocuments::articleDocument(article), "text/xml"});
    ScopedEnv site("QUESTLOG_GAME_SITE", server.url(u"/site/"_s).toUtf8());
    Model::resetInstance();
    TestStore store(u":memory:"_s);
    Game* game = store.add(u"Game"_s);
    game->setUrlCriticonLink(u"http://reviews.test/game"_s);
    viewer->setGame(game);

    QSignalSpy fetched(viewer, &MobiWebViewController::otherContentEnded);
    QSignalSpy shown(viewer->webView(), &WebView::loadEnded);
    viewer->loadOtherContent(server.url(u"/svc/article/1"_s));
    ASSERT_TRUE(fetched.wait(20000));
    EXPECT_EQ(viewer->titleLabel()->text(), u"A preview"_s);
    ASSERT_TRUE(shown.wait(20000));
    EXPECT_TRUE(viewer->lastURL().isNull());
    EXPECT_TRUE(mailParts(choose()).value(u"body"_s).contains(u"http://reviews.test/game\n"_s));
    Model::resetInstance();
}
