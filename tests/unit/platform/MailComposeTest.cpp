#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>
#include <functional>
#include <memory>

#include "EventWait.h"
#include "FileFunctions.h"
#include "MailComposeViewController.h"
#include "MailDelivery.h"
#include "MailMessage.h"
#include "QStringPrinter.h"
#include "ScopedEnv.h"
#include "SystemURLOpener.h"

using namespace Qt::Literals::StringLiterals;
using Result = MailDelivery::Result;

namespace {

QByteArray png() {
    QImage image(24, 12, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return bytes;
}

MailMessage gameMail() {
    return {{u"Jörg Müller <j@example.de>"_s, u"friend@example.org"_s},
            u"Café & Crème: \"Żółw\" [Questlog for desktop]"_s,
            u"<p>Read the <a href=\"http://r.test/x?a=1&amp;b=2\">reviews</a> – é</p>"_s,
            true,
            {{png(), u"image/png"_s, u"screenshot"_s}}};
}

// The message in an .eml file; empty when there is none.
MailMessage readEml(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return MailMessage::fromMIME(file.readAll()).value_or(MailMessage());
}

QList<MailMessage> emls(const QString& folder) {
    QList<MailMessage> messages;
    for (const QFileInfo& eml : QDir(folder).entryInfoList({u"*.eml"_s}, QDir::Files, QDir::Name)) {
        messages << readEml(eml.filePath());
    }
    return messages;
}

// A folder standing alone on PATH for fake xdg-mime / xdg-email scripts.
class FakeTools {
public:
    FakeTools() : path_("PATH", dir_.path().toUtf8()) {}
    void add(const QString& name, const QString& script) {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/bash\n" + script.toUtf8() + '\n');
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    ScopedEnv path_;
};

std::pair<Result, QString> deliverAndWait(const MailMessage& message) {
    std::pair<Result, QString> delivered{Result::Failed, u"not told"_s};
    EventWait wait;
    QObject context;
    MailDelivery::deliver(message, &context, [&](Result result, const QString& error) {
        delivered = {result, error};
        wait.done();
    });
    EXPECT_TRUE(wait.wait());
    return delivered;
}

}  // namespace

TEST(MailMessageTest, GarbageIsNoMessage) {
    QByteArray noise;
    for (quint32 i = 0, seed = 7; i < 4096; ++i) {
        noise += char((seed = seed * 1664525u + 1013904223u) >> 24);
    }
    for (const QByteArray& garbage : {QByteArray(), QByteArray("hello world"), noise}) {
        EXPECT_FALSE(MailMessage::fromMIME(garbage)) << garbage.left(20).toHex().constData();
    }
}

TEST(MailDeliveryTest, CanSendMailOnlyWithOutboxOrMailtoHandler) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"/somewhere", nullptr, true},
        {"", nullptr, false},
        {"", "echo thunderbird.desktop", true},
        {"", "echo", false},
        {"", "echo mutt.desktop; exit 3", false}};
    for (const auto& [outbox, xdgMime, canSend] : cases) {
        SCOPED_TRACE(xdgMime ? xdgMime : outbox);
        ScopedEnv env("QUESTLOG_MAIL_OUTBOX", outbox);
        FakeTools tools;
        if (xdgMime) {
            tools.add(u"xdg-mime"_s, QString::fromUtf8(xdgMime));
        }
        EXPECT_EQ(MailComposeViewController::canSendMail(), canSend);
    }
}

// Each message goes whole into a file of its own, in the outbox and as a draft: names, accents
// and "&" in the subject, HTML or plain text, no recipient, every attachment. Outside text never
// starts a header of its own or names a file outside the folder; what is no address is left out.
TEST(MailDeliveryTest, MessagesGoWholeIntoFilesOfTheirOwn) {
    QTemporaryDir dir;
    ScopedEnv env("QUESTLOG_MAIL_OUTBOX", dir.filePath(u"out"_s).toUtf8());
    MailMessage several = gameMail();
    several.attachments.append({"a,b;c\n", u"text/csv"_s, u"Liste für Café.csv"_s});
    const MailMessage plain{{}, u"../../Ideas"_s, u"Line one\nünïcode"_s, false, {}};
    const MailMessage injected{{u"a@b.test\r\nBcc: evil@x.test"_s,
                                u"\"Doe, Jane\" <j@x.test>;\tb@y.test\x7f"_s, u"not an address"_s},
                               u"A & <b>\"x\"</b>\r\nBcc: y@z"_s,
                               {},
                               false,
                               {}};
    // Each message, and what comes back of it.
    const std::pair<MailMessage, MailMessage> cases[] = {
        {gameMail(), gameMail()},
        {several, several},
        {plain, plain},
        {injected,
         {{u"Doe, Jane <j@x.test>"_s, u"b@y.test"_s},
          u"A & <b>\"x\"</b>Bcc: y@z"_s,
          {},
          false,
          {}}},
        {{{}, u"\r\n..."_s, {}, false, {}}, {{}, u"..."_s, {}, false, {}}}};
    QList<MailMessage> sent;
    for (const auto& [message, back] : cases) {
        SCOPED_TRACE(message.subject.toStdString());
        const QByteArray mime = message.toMIME();
        const QByteArray header = "\n" + mime.left(mime.indexOf("\r\n\r\n")).toLower();
        EXPECT_EQ(header.count("\nsubject:"), 1);
        EXPECT_EQ(header.count("\nbcc:"), 0);
        EXPECT_EQ(deliverAndWait(message).first, Result::Sent);
        sent << back;
        const QFileInfo draft(MailDelivery::saveDraft(message, dir.path()));
        EXPECT_EQ(draft.absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_FALSE(draft.fileName().startsWith(u'.'));
        EXPECT_EQ(readEml(draft.filePath()), back);
    }
    EXPECT_EQ(emls(dir.filePath(u"out"_s)), sent);
    EXPECT_EQ(emls(dir.path()).size(), sent.size());
    EXPECT_FALSE(gameMail().toMIME().contains("Café")) << "non-ASCII headers are encoded";

    ScopedEnv blocked("QUESTLOG_MAIL_OUTBOX", "/dev/null");
    EXPECT_EQ(deliverAndWait(gameMail()).first, Result::Failed);
    EXPECT_TRUE(MailDelivery::saveDraft(gameMail(), u"/dev/null"_s).isNull());
    bool told = false;
    auto context = std::make_unique<QObject>();
    MailDelivery::deliver(gameMail(), context.get(), [&](Result, const QString&) { told = true; });
    context.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(told) << "neither inside the call nor after the caller is gone";
}

// Without an outbox, xdg-email gets the message and its attachments, and a copy stays in Sent;
// a failing or missing xdg-email fails.
TEST(MailDeliveryTest, HandsOverToXdgEmail) {
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", "");
    for (const QString& script : {u"printf '%s\\0' \"$@\" > record"_s,
                                  u"echo 'no mail program' >&2; exit 3"_s, QString()}) {
        SCOPED_TRACE(script.toStdString());
        FakeTools tools;
        if (!script.isNull()) {
            tools.add(u"xdg-email"_s, u"cd '%1'; "_s.arg(tools.file({})) + script);
        }
        const auto [result, error] = deliverAndWait(gameMail());
        QFile record(tools.file(u"record"_s));
        EXPECT_EQ(result, record.exists() ? Result::Sent : Result::Failed);
        EXPECT_EQ(error.isEmpty(), result == Result::Sent) << error.toStdString();
        if (!record.open(QIODevice::ReadOnly)) {
            continue;
        }
        QStringList arguments = QString::fromUtf8(record.readAll()).split(QChar(0));
        ASSERT_EQ(arguments.size(), 10);
        QFile attached(arguments.takeAt(6));
        EXPECT_EQ(arguments.join(u'|'), u"--utf8|--subject|"_s + gameMail().subject +
                                            u"|--body|Read the reviews <http://r.test/x?a=1&b=2> – "
                                            u"é|--attach|j@example.de|friend@example.org|"_s);
        EXPECT_EQ(QFileInfo(attached).fileName(), u"screenshot"_s);
        ASSERT_TRUE(attached.open(QIODevice::ReadOnly)) << "mail programs read it later";
        EXPECT_EQ(attached.readAll(), png());
        EXPECT_EQ(emls(FileFunctions::getDocumentDirectoryPath() + u"/Mail/Sent"_s),
                  QList{gameMail()});
    }
}

// A mailed link's subject and body come back whole; without an outbox the desktop opens it.
TEST(MailDeliveryTest, MailtoAddressGoesToOutboxOrTheDesktop) {
    QTemporaryDir dir;
    QList<QUrl> opened;
    SystemURLOpener::setOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    const QUrl url(u"mailto:a@b.test?subject=Hi%26bcc%3Dx%40y.test%23top&body=x%3D1%26y%3D2%23z"_s);
    const QUrl page(u"https://r.test/"_s);
    for (const QByteArray& outbox : {dir.path().toUtf8(), QByteArray()}) {
        ScopedEnv env("QUESTLOG_MAIL_OUTBOX", outbox);
        EXPECT_TRUE(MailDelivery::openMailtoURL(url));
        EXPECT_TRUE(MailDelivery::openMailtoURL(page));
    }
    SystemURLOpener::setOpener({});
    EXPECT_EQ(opened, (QList<QUrl>{page, url, page}));
    const MailMessage mailed{{u"a@b.test"_s}, u"Hi&bcc=x@y.test#top"_s, u"x=1&y=2#z"_s, false, {}};
    EXPECT_EQ(emls(dir.path()), QList{mailed});
}

namespace {

struct RecordingDelegate : MailComposeViewControllerDelegate {
    void mailComposeControllerDidFinishWithResult(MailComposeViewController*,
                                                  MailComposeResult result,
                                                  const QString& error) override {
        results << result;
        errors << error;
        told.done();
    }
    QList<MailComposeResult> results;
    QStringList errors;
    EventWait told;
};

class MailComposeTest : public testing::Test {
protected:
    MailComposeTest() : outbox_("QUESTLOG_MAIL_OUTBOX", dir_.filePath(u"out"_s).toUtf8()) {
        composer_.setMailComposeDelegate(&delegate_);
        composer_.setToRecipients({u"a@b.test"_s});
        composer_.setSubject(gameMail().subject);
        composer_.setMessageBody(gameMail().body, true);
        composer_.addAttachmentData(png(), u"image/png"_s, u"screenshot"_s);
        composer_.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&composer_));
    }
    QPushButton* button(const QString& name) {
        const QList<QPushButton*> all = composer_.findChildren<QPushButton*>();
        return all.value(std::ranges::find(all, name, &QWidget::accessibleName) - all.begin());
    }

    QTemporaryDir dir_;
    ScopedEnv outbox_;
    RecordingDelegate delegate_;
    MailComposeViewController composer_;
};

}  // namespace

// Buttons and keys give the four results; the draft's folder chooser does not block, and
// choosing no folder leaves the composer open.
TEST_F(MailComposeTest, EachWayOutGivesItsResult) {
    using R = MailComposeResult;
    const auto click = [&](const QString& name) {
        QTest::mouseClick(button(name), Qt::LeftButton);
    };
    const auto saveDraftIn = [&](const QString& folder) {
        click(u"Save draft"_s);
        QFileDialog* chooser = composer_.findChild<QFileDialog*>();
        ASSERT_TRUE(chooser && chooser->isVisible());
        folder.isNull() ? chooser->reject() : Q_EMIT chooser->fileSelected(folder);
        delete chooser;
    };
    const std::pair<std::function<void()>, QList<R>> cases[] = {
        {[&] { click(u"Cancel"_s); }, {R::Cancelled}},
        {[&] { QTest::keyClick(composer_.focusWidget(), Qt::Key_Escape); }, {R::Cancelled}},
        {[&] { click(u"Send"_s); }, {R::Sent}},
        {[&] { QTest::keyClick(composer_.focusWidget(), Qt::Key_Return, Qt::ControlModifier); },
         {R::Sent}},
        {[&] { saveDraftIn(QString()); }, {}},
        {[&] { saveDraftIn(dir_.path()); }, {R::Saved}},
        {[&] { saveDraftIn(u"/dev/null"_s); }, {R::Failed}},
        {[&] {
             ScopedEnv blocked("QUESTLOG_MAIL_OUTBOX", "/dev/null");
             click(u"Send"_s);
         },
         {R::Failed}},
    };
    for (const auto& [action, expected] : cases) {
        delegate_.results.clear();
        delegate_.errors.clear();
        action();
        QCoreApplication::processEvents();
        EXPECT_EQ(delegate_.results, expected) << &action - &cases[0].first;
        EXPECT_EQ(delegate_.errors.join(u""_s).isEmpty(), expected != QList{R::Failed});
    }
    EXPECT_EQ(emls(dir_.filePath(u"out"_s)).size(), 2);
    EXPECT_EQ(emls(dir_.path()).size(), 1);
}

// What the user typed is what goes; while it is handed over, neither buttons nor keys send
// again or cancel.
TEST_F(MailComposeTest, SendsTheEditedMessageOnce) {
    QLineEdit* to = composer_.findChild<QLineEdit*>();
    to->selectAll();
    QTest::keyClicks(to, u"x@y.test, z@y.test"_s);
    QTest::mouseClick(button(u"Send"_s), Qt::LeftButton);
    EXPECT_FALSE(button(u"Cancel"_s)->isEnabled());
    QTest::keyClick(to, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(to, Qt::Key_Escape);
    ASSERT_TRUE(delegate_.told.wait());
    QCoreApplication::processEvents();
    EXPECT_TRUE(button(u"Send"_s)->isEnabled());
    EXPECT_EQ(delegate_.results, QList{MailComposeResult::Sent});
    MailMessage expected = gameMail();
    expected.toRecipients = {u"x@y.test"_s, u"z@y.test"_s};
    EXPECT_EQ(emls(dir_.filePath(u"out"_s)), QList{expected});
}

// The message shows rendered, with the attachment's picture and name.
TEST_F(MailComposeTest, ShowsTheMessage) {
    EXPECT_EQ(composer_.findChild<QTextBrowser*>()->toPlainText(), u"Read the reviews – é"_s);
    QStringList shown;
    for (const QLabel* label : composer_.findChildren<QLabel*>()) {
        shown << (label->pixmap().isNull() ? label->text() : u"picture"_s);
    }
    EXPECT_TRUE(shown.contains(u"picture"_s) && shown.contains(u"screenshot"_s))
        << shown.join(u", ").toStdString();
}

// A delegate that goes first is forgotten, so the composer calls nothing freed.
TEST_F(MailComposeTest, DestroyedDelegateIsForgotten) {
    auto delegate = std::make_unique<RecordingDelegate>();
    composer_.setMailComposeDelegate(delegate.get());
    delegate.reset();
    EXPECT_EQ(composer_.mailComposeDelegate(), nullptr);
    QTest::mouseClick(button(u"Cancel"_s), Qt::LeftButton);
}
