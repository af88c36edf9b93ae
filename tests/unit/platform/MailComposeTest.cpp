#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>

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

// Attachment bytes with a NUL and line ends, which must come back as they were.
QByteArray png() {
    return QByteArray::fromHex("89504e470d0a1a0a000d0aff");
}

MailMessage gameMail() {
    return {{u"Jörg Müller <j@example.de>"_s, u"friend@example.org"_s},
            u"Café & Crème: \"Żółw\" [Questlog for desktop]"_s,
            u"<p>Read the <a href=\"http://r.test/x?a=1&amp;b=2\">reviews</a> – é</p>"_s,
            true,
            {{png(), u"image/png"_s, u"screenshot"_s}}};
}

// The messages in a folder's .eml files, by file name; empty for a file with none.
QList<MailMessage> emls(const QString& folder) {
    QList<MailMessage> messages;
    for (const QFileInfo& eml : QDir(folder).entryInfoList({u"*.eml"_s}, QDir::Files, QDir::Name)) {
        QFile file(eml.filePath());
        file.open(QIODevice::ReadOnly);
        messages << MailMessage::fromMIME(file.readAll()).value_or(MailMessage());
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

// What the delivery reported, once it has.
std::pair<Result, QString> deliverAndWait(const MailMessage& message) {
    std::optional<std::pair<Result, QString>> delivered;
    QObject context;
    MailDelivery::deliver(message, &context, [&](Result result, const QString& error) {
        delivered = {result, error};
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return delivered.has_value(); }));
    return delivered.value_or(std::pair{Result::Failed, u"not told"_s});
}

}  // namespace

TEST(MailDeliveryTest, CanSendMailOnlyWithOutboxOrMailtoHandler) {
    const std::tuple<const char*, QString, bool> cases[] = {
        {"/somewhere", u"echo"_s, true},
        {"", u"echo thunderbird.desktop"_s, true},
        {"", u"echo"_s, false}};
    for (const auto& [outbox, xdgMime, canSend] : cases) {
        SCOPED_TRACE(xdgMime.toStdString());
        ScopedEnv env("QUESTLOG_MAIL_OUTBOX", outbox);
        FakeTools tools;
        tools.add(u"xdg-mime"_s, xdgMime);
        EXPECT_EQ(MailComposeViewController::canSendMail(), canSend);
    }
}

// Each message goes whole into a file of its own, in the outbox and as a draft: names, accents
// and "&" in the subject, HTML or plain text, no recipient, every attachment. Outside text never
// starts a header of its own or names a file outside the folder; what is no address is left out.
TEST(MailDeliveryTest, MessagesGoWholeIntoFilesOfTheirOwn) {
    QTemporaryDir dir;
    ScopedEnv env("QUESTLOG_MAIL_OUTBOX", dir.filePath(u"out"_s).toUtf8());
    const MailMessage plain{{}, u"../../Ideas"_s, u"Line one\nünïcode"_s, false, {}};
    // A name read back keeps its quotes, so the message can be written again as it was.
    const MailMessage cleaned{{u"\"Doe, J \\\"D\\\"\" <j@x.test>"_s, u"b@xn--bcher-kva.test"_s},
                              u"A & BBcc: y@z"_s,
                              {},
                              false,
                              {}};
    MailMessage injected = cleaned;
    injected.toRecipients = {u"a@b.test\r\nBcc: e@x.test"_s, u"j\u00f6e@x.test"_s,
                             u"b==?ob@x.test"_s, u"b?=ob@x.test"_s,
                             u"\" Doe, J \\\"D\\\" \" <j@x.test>;\tb@b\u00fccher.test"_s};
    injected.subject = u" A & B\r\nBcc:   y@z"_s;
    // Each message, and what comes back of it.
    const std::pair<MailMessage, MailMessage> cases[] = {
        {gameMail(), gameMail()}, {plain, plain}, {injected, cleaned}, {cleaned, cleaned}};
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
        EXPECT_TRUE(emls(dir.path()).contains(back));
    }
    EXPECT_EQ(emls(dir.filePath(u"out"_s)), sent);
}

// Without an outbox, xdg-email gets the message and its attachments, and a copy stays in Sent;
// a failing xdg-email fails.
TEST(MailDeliveryTest, HandsOverToXdgEmail) {
    ScopedEnv outbox("QUESTLOG_MAIL_OUTBOX", "");
    for (const QString& script :
         {u"printf '%s\\0' \"$@\" > record"_s, u"echo 'no mail program' >&2; exit 3"_s}) {
        SCOPED_TRACE(script.toStdString());
        FakeTools tools;
        tools.add(u"xdg-email"_s, u"cd '%1'; "_s.arg(tools.file({})) + script);
        const auto [result, error] = deliverAndWait(gameMail());
        QFile record(tools.file(u"record"_s));
        EXPECT_EQ(result, record.exists() ? Result::Sent : Result::Failed);
        EXPECT_EQ(error.isEmpty(), result == Result::Sent) << error.toStdString();
        if (!record.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QStringList arguments = QString::fromUtf8(record.readAll()).split(QChar(0));
        EXPECT_TRUE(arguments.contains(gameMail().subject) &&
                    arguments.contains(u"j@example.de"_s));
        QFile attached(arguments.value(arguments.indexOf(u"--attach"_s) + 1));
        ASSERT_TRUE(attached.open(QIODevice::ReadOnly)) << "mail programs read it later";
        EXPECT_EQ(attached.readAll(), png());
        EXPECT_EQ(emls(FileFunctions::getDocumentDirectoryPath() + u"/Mail/Sent"_s),
                  QList{gameMail()});
    }
}

// A mailed link's subject and body come back whole, "&" and all; any other address is the
// desktop's to open and never becomes a mail.
TEST(MailDeliveryTest, MailtoAddressComesBackWhole) {
    QTemporaryDir dir;
    ScopedEnv env("QUESTLOG_MAIL_OUTBOX", dir.path().toUtf8());
    QList<QUrl> opened;
    SystemURLOpener::setOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    EXPECT_TRUE(MailDelivery::openMailtoURL(
        QUrl(u"mailto:a@b.test?subject=Hi%26bcc%3Dx%40y.test%23top&body=x%3D1%26y%3D2%23z"_s)));
    const QUrl page(u"https://a@b.test/?subject=x"_s);
    EXPECT_TRUE(MailDelivery::openMailtoURL(page));
    SystemURLOpener::setOpener({});
    const MailMessage mailed{{u"a@b.test"_s}, u"Hi&bcc=x@y.test#top"_s, u"x=1&y=2#z"_s, false, {}};
    EXPECT_EQ(emls(dir.path()), QList{mailed});
    EXPECT_EQ(opened, QList{page});
}

namespace {

struct RecordingDelegate : MailComposeViewControllerDelegate {
    void mailComposeControllerDidFinishWithResult(MailComposeViewController*,
                                                  MailComposeResult result,
                                                  const QString&) override {
        results << result;
    }
    QList<MailComposeResult> results;
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
        QApplication::setActiveWindow(&composer_);  // at once, as the keys need it
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

// Buttons and keys give the four results, once each; the draft's folder chooser does not block, and
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
        // What the user typed goes, once: while it is handed over nothing sends again or cancels.
        {[&] {
             QLineEdit* to = composer_.findChild<QLineEdit*>();
             to->selectAll();
             QTest::keyClicks(to, u"x@y.test, z@y.test"_s);
             click(u"Send"_s);
             QTest::keyClick(to, Qt::Key_Return, Qt::ControlModifier);
             QTest::keyClick(to, Qt::Key_Escape);
         },
         {R::Sent}},
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
        action();
        QCoreApplication::processEvents();
        EXPECT_EQ(delegate_.results, expected) << &action - &cases[0].first;
    }
    const QList<MailMessage> sent = emls(dir_.filePath(u"out"_s));
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].toRecipients, (QStringList{u"x@y.test"_s, u"z@y.test"_s}));
    EXPECT_EQ(emls(dir_.path()).size(), 1);
}

// A delegate that goes first is forgotten, so the composer calls nothing freed.
TEST_F(MailComposeTest, DestroyedDelegateIsForgotten) {
    auto delegate = std::make_unique<RecordingDelegate>();
    composer_.setMailComposeDelegate(delegate.get());
    delegate.reset();
    EXPECT_EQ(composer_.mailComposeDelegate(), nullptr);
    QTest::mouseClick(button(u"Cancel"_s), Qt::LeftButton);
}
