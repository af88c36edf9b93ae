#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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
    MailMessage message;
    message.toRecipients = {u"Jörg Müller <j@example.de>"_s, u"friend@example.org"_s};
    message.subject = u"Café & Crème: \"Żółw\" [Questlog for desktop]"_s;
    message.body = u"<p>Read the <a href=\"http://r.test/x?a=1&amp;b=2\">reviews</a> – é</p>"_s;
    message.isHTML = true;
    message.attachments = {{png(), u"image/png"_s, u"screenshot"_s}};
    return message;
}

std::optional<MailMessage> readEml(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? MailMessage::fromMIME(file.readAll()) : std::nullopt;
}

QStringList emlFiles(const QString& folder) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({u"*.eml"_s}, QDir::Files, QDir::Name)) {
        paths << QDir(folder).filePath(name);
    }
    return paths;
}

// The header lines (before the first blank line) that start with the name, any case.
int headerCount(const QByteArray& mime, const QByteArray& name) {
    int count = 0;
    for (const QByteArray& line : mime.left(mime.indexOf("\r\n\r\n")).split('\n')) {
        count += line.toLower().startsWith(name.toLower() + ':') ? 1 : 0;
    }
    return count;
}

// A folder that stands alone on PATH, holding fake xdg-mime / xdg-email scripts.
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

struct Delivered {
    MailDelivery::Result result = MailDelivery::Result::Failed;
    QString error;
};

Delivered deliverAndWait(const MailMessage& message) {
    Delivered delivered;
    EventWait wait;
    QObject context;
    MailDelivery::deliver(message, &context,
                          [&](MailDelivery::Result result, const QString& error) {
                              delivered = {result, error};
                              wait.done();
                          });
    EXPECT_TRUE(wait.wait());
    return delivered;
}

}  // namespace

// What is written reads back whole: names, accents and "&" in the subject, the HTML, the PNG.
TEST(MailMessageTest, ReadsBackWhatItWrote) {
    MailMessage plain;
    plain.subject = u"Ideas for Questlog"_s;
    plain.body = u"Line one\nLine two with ünïcode"_s;
    MailMessage several = gameMail();
    several.attachments.append({"a,b;c\n", u"text/csv"_s, u"Liste für Café.csv"_s});
    for (const MailMessage& message : {gameMail(), plain, several}) {
        SCOPED_TRACE(message.subject.toStdString());
        const QByteArray mime = message.toMIME();
        EXPECT_EQ(headerCount(mime, "Date"), 1);
        EXPECT_EQ(headerCount(mime, "MIME-Version"), 1);
        EXPECT_EQ(headerCount(mime, "To"), message.toRecipients.isEmpty() ? 0 : 1);
        EXPECT_EQ(MailMessage::fromMIME(mime), message);
    }
    const QByteArray mime = gameMail().toMIME();
    EXPECT_FALSE(mime.contains("Café")) << "non-ASCII headers are encoded";
    EXPECT_TRUE(mime.contains("Content-Transfer-Encoding: base64"));
}

// Control characters in outside text never start a header of their own; recipients split
// outside quotes, and what is no address is left out.
TEST(MailMessageTest, ControlCharactersCannotAddHeaders) {
    MailMessage message;
    message.subject = u"A & <b>\"x\"</b>\r\nBcc: y@z"_s;
    message.toRecipients = {u"a@b.test\r\nBcc: evil@x.test"_s,
                            u"\"Doe, Jane\" <j@x.test>;\tb@y.test\x7f"_s, u"not an address"_s};
    message.body = u"body"_s;
    const QByteArray mime = message.toMIME();
    EXPECT_EQ(headerCount(mime, "Subject"), 1);
    EXPECT_EQ(headerCount(mime, "Bcc"), 0);
    const std::optional<MailMessage> back = MailMessage::fromMIME(mime);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->subject, u"A & <b>\"x\"</b>Bcc: y@z"_s);
    EXPECT_EQ(back->toRecipients, (QStringList{u"Doe, Jane <j@x.test>"_s, u"b@y.test"_s}));
    EXPECT_EQ(message.recipientAddresses(), (QStringList{u"j@x.test"_s, u"b@y.test"_s}));
}

TEST(MailMessageTest, GarbageIsNoMessageAndCutMessagesDoNotCrash) {
    QByteArray noise;
    quint32 seed = 7;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise += char(seed >> 24);
    }
    for (const QByteArray& garbage : {QByteArray(), QByteArray("hello world"),
                                      QByteArray("\x01\x02\xff\xfe: \r\n\r\n"), noise}) {
        EXPECT_FALSE(MailMessage::fromMIME(garbage)) << garbage.left(20).toHex().constData();
    }
    const QByteArray mime = gameMail().toMIME();
    const qsizetype subjectEnds = mime.indexOf("\r\n", mime.indexOf("Subject:") + 1);
    for (qsizetype length = subjectEnds; length < mime.size(); length += 7) {
        const std::optional<MailMessage> cut = MailMessage::fromMIME(mime.left(length));
        EXPECT_EQ(cut.value_or(MailMessage()).subject.left(4), u"Café"_s) << length;
    }
}

TEST(MailDeliveryTest, CanSendMailOnlyWithOutboxOrMailtoHandler) {
    const struct {
        const char* outbox;
        QString xdgMime;  // the fake's script; null: no xdg-mime at all
        bool canSend;
    } cases[] = {
        {"/somewhere", {}, true},
        {"", {}, false},
        {"", u"echo thunderbird.desktop"_s, true},
        {"", u"echo"_s, false},
        {"", u"echo mutt.desktop; exit 3"_s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xdgMime.toStdString() + " outbox " + c.outbox);
        ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", c.outbox);
        FakeTools tools;
        if (!c.xdgMime.isNull()) {
            tools.add(u"xdg-mime"_s, c.xdgMime);
        }
        EXPECT_EQ(MailDelivery::canSendMail(), c.canSend);
        EXPECT_EQ(MailComposeViewController::canSendMail(), c.canSend);
    }
}

// Each message gets a file of its own; an outbox that cannot be written fails the delivery.
TEST(MailDeliveryTest, OutboxGetsOneFilePerMessage) {
    QTemporaryDir dir;
    const QString outbox = dir.filePath(u"out"_s);
    ScopedEnv env("QUESTLOG_MAIL_OUTBOX", outbox.toUtf8());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(deliverAndWait(gameMail()).result, MailDelivery::Result::Sent);
    }
    const QStringList files = emlFiles(outbox);
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(readEml(files.first()), gameMail());
    EXPECT_EQ(readEml(files.last()), gameMail());

    QFile blocker(dir.filePath(u"file"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    ScopedEnv blocked("QUESTLOG_MAIL_OUTBOX", blocker.fileName().toUtf8());
    const Delivered failed = deliverAndWait(gameMail());
    EXPECT_EQ(failed.result, MailDelivery::Result::Failed);
    EXPECT_FALSE(failed.error.isEmpty());

    bool told = false;
    auto context = std::make_unique<QObject>();
    MailDelivery::deliver(gameMail(), context.get(),
                          [&](MailDelivery::Result, const QString&) { told = true; });
    context.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(told) << "a caller that is gone is not called";
}

// Without an outbox, xdg-email gets the message and its attachments, and a copy stays in Sent.
TEST(MailDeliveryTest, HandsOverToXdgEmailAndKeepsACopy) {
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", "");
    FakeTools tools;
    const QString record = tools.file(u"record"_s);
    tools.add(u"xdg-email"_s, uR"(printf '%s\0' "$@" > '%1')"_s.arg(record));
    const Delivered delivered = deliverAndWait(gameMail());
    EXPECT_EQ(delivered.result, MailDelivery::Result::Sent) << delivered.error.toStdString();

    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList arguments = QString::fromUtf8(file.readAll()).split(QChar(0));
    arguments.removeLast();
    ASSERT_EQ(arguments.size(), 9);
    const QString attached = arguments.takeAt(6);
    EXPECT_EQ(arguments, (QStringList{u"--utf8"_s, u"--subject"_s, gameMail().subject, u"--body"_s,
                                      u"Read the reviews <http://r.test/x?a=1&b=2> – é"_s,
                                      u"--attach"_s, u"j@example.de"_s, u"friend@example.org"_s}));
    EXPECT_EQ(QFileInfo(attached).fileName(), u"screenshot"_s);
    QFile attachment(attached);
    ASSERT_TRUE(attachment.open(QIODevice::ReadOnly)) << "mail programs read it after xdg-email";
    EXPECT_EQ(attachment.readAll(), png());

    const QStringList sent = emlFiles(FileFunctions::getDocumentDirectoryPath() + u"/Mail/Sent"_s);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(readEml(sent.first()), gameMail());
}

TEST(MailDeliveryTest, FailingOrMissingXdgEmailFails) {
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", "");
    for (const QString& script : {u"echo 'no mail program' >&2; exit 3"_s, QString()}) {
        SCOPED_TRACE(script.toStdString());
        FakeTools tools;
        if (!script.isNull()) {
            tools.add(u"xdg-email"_s, script);
        }
        const Delivered delivered = deliverAndWait(gameMail());
        EXPECT_EQ(delivered.result, MailDelivery::Result::Failed);
        EXPECT_TRUE(script.isNull() ? !delivered.error.isEmpty()
                                    : delivered.error.contains(u"no mail program"_s))
            << delivered.error.toStdString();
    }
}

// Drafts are named after the subject, never leave the folder and never replace each other.
TEST(MailDeliveryTest, DraftsGetSafeNewNames) {
    QTemporaryDir dir;
    MailMessage message = gameMail();
    message.subject = u"../../etc/passwd"_s;
    const QString first = MailDelivery::saveDraft(message, dir.path());
    const QString second = MailDelivery::saveDraft(message, dir.path());
    message.subject = u"\r\n..."_s;
    const QString unnamed = MailDelivery::saveDraft(message, dir.path());
    EXPECT_EQ(emlFiles(dir.path()).size(), 3);
    for (const QString& path : {first, second, unnamed}) {
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(dir.path()).absolutePath())
            << path.toStdString();
        EXPECT_FALSE(QFileInfo(path).fileName().startsWith(u'.')) << path.toStdString();
    }
    EXPECT_EQ(readEml(first).value_or(MailMessage()).subject, u"../../etc/passwd"_s);
    EXPECT_TRUE(MailDelivery::saveDraft(message, first).isNull()) << "a file is no folder";
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
    {
        ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", dir.path().toUtf8());
        EXPECT_TRUE(MailDelivery::openMailtoURL(url));
        EXPECT_TRUE(MailDelivery::openMailtoURL(QUrl(u"https://r.test/"_s)));
    }
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", "");
    EXPECT_TRUE(MailDelivery::openMailtoURL(url));
    SystemURLOpener::setOpener({});
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(u"https://r.test/"_s), url}));
    const QStringList files = emlFiles(dir.path());
    ASSERT_EQ(files.size(), 1);
    const MailMessage message = readEml(files.first()).value_or(MailMessage());
    EXPECT_EQ(message.toRecipients, QStringList{u"a@b.test"_s});
    EXPECT_EQ(message.subject, u"Hi&bcc=x@y.test#top"_s);
    EXPECT_EQ(message.body, u"x=1&y=2#z"_s);
}

namespace {

class RecordingDelegate : public MailComposeViewControllerDelegate {
public:
    void mailComposeControllerDidFinishWithResult(MailComposeViewController* controller,
                                                  MailComposeResult result,
                                                  const QString& error) override {
        EXPECT_TRUE(controller);
        results << result;
        errors << error;
        wait_.done();
    }
    bool waitForResult() { return wait_.wait(); }

    QList<MailComposeResult> results;
    QStringList errors;

private:
    EventWait wait_;
};

class MailComposeTest : public testing::Test {
protected:
    MailComposeTest() : outbox_("QUESTLOG_MAIL_OUTBOX", dir_.filePath(u"out"_s).toUtf8()) {
        composer_.setMailComposeDelegate(&delegate_);
        composer_.setToRecipients({u"a@b.test"_s});
        composer_.setSubject(gameMail().subject);
        composer_.setMessageBody(gameMail().body, true);
        composer_.addAttachmentData(png(), u"image/png"_s, u"screenshot"_s);
        composer_.resize(320, 480);
        composer_.show();
    }
    QPushButton* button(const QString& name) {
        for (QPushButton* b : composer_.findChildren<QPushButton*>()) {
            if (b->accessibleName() == name) {
                return b;
            }
        }
        ADD_FAILURE() << name.toStdString();
        return nullptr;
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
    ASSERT_TRUE(QTest::qWaitForWindowActive(&composer_));
    QFile blocker(dir_.filePath(u"blocker"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const auto saveDraftIn = [&](const QString& folder) {
        QTest::mouseClick(button(u"Save draft"_s), Qt::LeftButton);
        QFileDialog* chooser = composer_.findChild<QFileDialog*>();
        ASSERT_TRUE(chooser && chooser->isVisible());
        folder.isNull() ? chooser->reject() : Q_EMIT chooser->fileSelected(folder);
        delete chooser;
    };
    const std::function<void()> actions[] = {
        [&] { QTest::mouseClick(button(u"Cancel"_s), Qt::LeftButton); },
        [&] { QTest::keyClick(composer_.focusWidget(), Qt::Key_Escape); },
        [&] { QTest::mouseClick(button(u"Send"_s), Qt::LeftButton); },
        [&] { QTest::keyClick(composer_.focusWidget(), Qt::Key_Return, Qt::ControlModifier); },
        [&] { saveDraftIn(QString()); },
        [&] { saveDraftIn(dir_.path()); },
        [&] {
            ScopedEnv blocked("QUESTLOG_MAIL_OUTBOX", blocker.fileName().toUtf8());
            QTest::mouseClick(button(u"Send"_s), Qt::LeftButton);
        },
        [&] { saveDraftIn(blocker.fileName()); },
    };
    const QList<R> expected{R::Cancelled, R::Cancelled, R::Sent,  R::Sent,
                            R::Saved,     R::Failed,    R::Failed};
    for (const auto& action : actions) {
        action();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(delegate_.results, expected);
    EXPECT_TRUE(delegate_.errors.first().isEmpty());
    EXPECT_FALSE(delegate_.errors.last().isEmpty());
    EXPECT_EQ(emlFiles(dir_.filePath(u"out"_s)).size(), 2);
    EXPECT_EQ(emlFiles(dir_.path()).size(), 1);
}

// What the user typed is what goes; a second Send while handing over sends nothing more.
TEST_F(MailComposeTest, SendsTheEditedMessageOnce) {
    QLineEdit* to = composer_.findChild<QLineEdit*>();
    to->selectAll();
    QTest::keyClicks(to, u"x@y.test, z@y.test"_s);
    QTest::mouseClick(button(u"Send"_s), Qt::LeftButton);
    EXPECT_FALSE(button(u"Cancel"_s)->isEnabled());
    QTest::mouseClick(button(u"Send"_s), Qt::LeftButton);
    ASSERT_TRUE(delegate_.waitForResult());
    EXPECT_TRUE(button(u"Send"_s)->isEnabled());
    EXPECT_EQ(delegate_.results, QList{MailComposeResult::Sent});
    const QStringList files = emlFiles(dir_.filePath(u"out"_s));
    ASSERT_EQ(files.size(), 1);
    MailMessage expected = gameMail();
    expected.toRecipients = {u"x@y.test"_s, u"z@y.test"_s};
    EXPECT_EQ(readEml(files.first()), expected);
}

// The message shows rendered, with the attachment's picture and name, and every control is
// named for assistive tools.
TEST_F(MailComposeTest, ShowsTheMessageAndNamesItsControls) {
    QTextBrowser* body = composer_.findChild<QTextBrowser*>();
    ASSERT_TRUE(body);
    EXPECT_TRUE(body->isVisible());
    EXPECT_FALSE(body->openLinks());
    EXPECT_EQ(body->toPlainText(), u"Read the reviews – é"_s);
    const QList<QLabel*> labels = composer_.findChildren<QLabel*>();
    EXPECT_TRUE(
        std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return !l->pixmap().isNull(); }));
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                            [](QLabel* l) { return l->text() == u"screenshot"_s; }));
    for (QWidget* control : composer_.findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(control) || qobject_cast<QLineEdit*>(control) ||
            qobject_cast<QTextEdit*>(control) || qobject_cast<QPlainTextEdit*>(control)) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
        }
    }
}

// A delegate that goes first is forgotten, so the composer calls nothing freed.
TEST(MailComposeDelegateTest, DestroyedDelegateIsForgotten) {
    MailComposeViewController composer;
    auto delegate = std::make_unique<RecordingDelegate>();
    composer.setMailComposeDelegate(delegate.get());
    delegate.reset();
    EXPECT_EQ(composer.mailComposeDelegate(), nullptr);
    QTest::mouseClick(composer.findChild<QPushButton*>(), Qt::LeftButton);
}
