#include "MailDelivery.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <memory>

#include "Clock.h"
#include "FileFunctions.h"
#include "MyLog.h"
#include "SystemURLOpener.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kMailtoQueryMilliseconds = 2000;
// Far more than any folder holds; only a folder that refuses every name gets this far.
constexpr int kMaxNameAttempts = 10000;

QString timestamp() {
    return Clock::now().toString(u"yyyyMMdd-HHmmss"_s);
}

// Calls `done` from the event loop, unless `context` was given and is gone by then.
void finishLater(QObject* context, const MailDelivery::Completion& done,
                 MailDelivery::Result result, const QString& error) {
    if (!done) {
        return;
    }
    const QPointer<QObject> guard(context);
    const bool hadContext = context != nullptr;
    QTimer::singleShot(0, [guard, hadContext, done, result, error] {
        if (!hadContext || guard) {
            done(result, error);
        }
    });
}

// A file name out of outside text: no folder separators, control characters or leading dots.
QString safeFileName(const QString& text) {
    QString name;
    for (const QChar c : MailMessage::withoutControlCharacters(text)) {
        name += (c.isLetterOrNumber() || u" -_.()+,"_s.contains(c)) ? c : u' ';
    }
    name = name.simplified();
    while (name.startsWith(u'.') || name.startsWith(u' ')) {
        name.remove(0, 1);
    }
    return name.left(100).trimmed();
}

}  // namespace

QString MailDelivery::outboxPath() {
    const QString outbox = qEnvironmentVariable("QUESTLOG_MAIL_OUTBOX");
    return outbox.isEmpty() ? QString() : outbox;
}

bool MailDelivery::canSendMail() {
    if (!outboxPath().isNull()) {
        return true;
    }
    const QString xdgMime = QStandardPaths::findExecutable(u"xdg-mime"_s);
    if (xdgMime.isEmpty()) {
        return false;
    }
    QProcess query;
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime, {u"query"_s, u"default"_s, u"x-scheme-handler/mailto"_s});
    if (!query.waitForFinished(kMailtoQueryMilliseconds)) {
        query.kill();
        query.waitForFinished(kMailtoQueryMilliseconds);
        MYLOG(u"MailDelivery: xdg-mime gave no answer"_s);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

QString MailDelivery::writeNewFile(const QString& folder,
                                   const std::function<QString(int)>& nameFor,
                                   const QByteArray& bytes, QString* error) {
    if (bytes.isEmpty()) {
        *error = u"the message could not be built"_s;
        return {};
    }
    if (!QDir().mkpath(folder)) {
        *error = u"cannot make the folder %1"_s.arg(folder);
        return {};
    }
    const QDir dir(folder);
    for (int n = 1; n <= kMaxNameAttempts; ++n) {
        const QString path = dir.filePath(nameFor(n));
        if (QFile::exists(path)) {
            continue;
        }
        QString reason;
        if (!FileFunctions::writeFileAtPath(path, bytes, &reason)) {
            *error = u"cannot write %1: %2"_s.arg(path, reason);
            return {};
        }
        return path;
    }
    *error = u"no free file name in %1"_s.arg(folder);
    return {};
}

QString MailDelivery::writeToOutbox(const MailMessage& message, QString* error) {
    const QString stamp = timestamp();
    return writeNewFile(
        outboxPath(), [&stamp](int n) { return u"%1-%2.eml"_s.arg(stamp).arg(n); },
        message.toMIME(), error);
}

void MailDelivery::deliver(const MailMessage& message, QObject* context, Completion done) {
    if (outboxPath().isNull()) {
        handToMailProgram(message, context, std::move(done));
        return;
    }
    QString error;
    const QString path = writeToOutbox(message, &error);
    if (path.isNull()) {
        MYLOG(u"MailDelivery: %@"_s, error);
    }
    finishLater(context, done, path.isNull() ? Result::Failed : Result::Sent, error);
}

void MailDelivery::handToMailProgram(const MailMessage& message, QObject* context,
                                     Completion done) {
    // The mail program may be closed without sending; the copy keeps the finished message.
    QString error;
    const QString stamp = timestamp();
    const QString sentFolder = FileFunctions::getDocumentDirectoryPath() + u"/Mail/Sent"_s;
    const QString copy = writeNewFile(
        sentFolder, [&stamp](int n) { return u"%1-%2.eml"_s.arg(stamp).arg(n); }, message.toMIME(),
        &error);
    if (copy.isNull()) {
        MYLOG(u"MailDelivery: no copy kept: %@"_s, error);
    }

    const QString xdgEmail = QStandardPaths::findExecutable(u"xdg-email"_s);
    if (xdgEmail.isEmpty()) {
        finishLater(context, done, Result::Failed, u"xdg-email is not installed"_s);
        return;
    }
    // xdg-email ends once it has handed over, and mail programs (Thunderbird's -compose, for
    // one) read the attachments later, so they stay: beside the copy, else in a folder under
    // the system's temporary folder that is not removed.
    QString folder;
    if (!message.attachments.isEmpty()) {
        if (!copy.isNull() && QDir().mkpath(copy.chopped(4) + u" attachments"_s)) {
            folder = copy.chopped(4) + u" attachments"_s;
        } else {
            QTemporaryDir temporary(QDir::tempPath() + u"/questlog-mail-XXXXXX"_s);
            temporary.setAutoRemove(false);
            if (!temporary.isValid()) {
                finishLater(context, done, Result::Failed,
                            u"no folder for the attachments: %1"_s.arg(temporary.errorString()));
                return;
            }
            folder = temporary.path();
        }
    }

    QStringList arguments{u"--utf8"_s, u"--subject"_s,
                          MailMessage::withoutControlCharacters(message.subject), u"--body"_s,
                          message.plainTextBody()};
    QStringList usedNames;
    for (const MailMessage::Attachment& attachment : message.attachments) {
        QString name = safeFileName(attachment.fileName);
        if (name.isEmpty()) {
            name = u"attachment"_s;
        }
        const QString base = name;
        for (int n = 2; usedNames.contains(name, Qt::CaseInsensitive); ++n) {
            name = u"%1 %2"_s.arg(base).arg(n);
        }
        usedNames << name;
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(attachment.data) != attachment.data.size()) {
            finishLater(context, done, Result::Failed,
                        u"cannot write the attachment %1: %2"_s.arg(name, file.errorString()));
            return;
        }
        arguments << u"--attach"_s << file.fileName();
    }
    arguments << message.recipientAddresses();

    auto* process = new QProcess;
    process->setStandardOutputFile(QProcess::nullDevice());
    const QPointer<QObject> guard(context);
    const bool hadContext = context != nullptr;
    // Reports once, from whichever of "finished" and "failed to start" comes, then lets the
    // process go.
    auto reported = std::make_shared<bool>(false);
    const auto finish = [process, guard, hadContext, done, reported](Result result,
                                                                     const QString& reason) {
        if (*reported) {
            return;
        }
        *reported = true;
        process->deleteLater();
        if (result == Result::Failed) {
            MYLOG(u"MailDelivery: xdg-email: %@"_s, reason);
        }
        if (done && (!hadContext || guard)) {
            done(result, reason);
        }
    };
    QObject::connect(
        process, &QProcess::finished, process,
        [process, finish](int exitCode, QProcess::ExitStatus status) {
            if (status == QProcess::NormalExit && exitCode == 0) {
                finish(Result::Sent, QString());
                return;
            }
            const QString said = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
            finish(Result::Failed, status == QProcess::NormalExit
                                       ? u"exit status %1%2"_s.arg(exitCode).arg(
                                             said.isEmpty() ? QString() : u": "_s + said)
                                       : u"stopped: %1"_s.arg(process->errorString()));
        });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, finish](QProcess::ProcessError processError) {
                         if (processError == QProcess::FailedToStart) {
                             finish(Result::Failed, process->errorString());
                         }
                     });
    process->start(xdgEmail, arguments);
}

QString MailDelivery::saveDraft(const MailMessage& message, const QString& folder) {
    QString stem = safeFileName(message.subject);
    if (stem.isEmpty()) {
        stem = timestamp();
    }
    QString error;
    const QString path = writeNewFile(
        folder,
        [&stem](int n) { return n == 1 ? u"%1.eml"_s.arg(stem) : u"%1 %2.eml"_s.arg(stem).arg(n); },
        message.toMIME(), &error);
    if (path.isNull()) {
        MYLOG(u"MailDelivery: draft not saved: %@"_s, error);
    }
    return path;
}

bool MailDelivery::openMailtoURL(const QUrl& url) {
    if (url.scheme().compare(u"mailto"_s, Qt::CaseInsensitive) != 0 || outboxPath().isNull()) {
        return SystemURLOpener::openURL(url);
    }
    const QUrlQuery query(url);
    MailMessage message;
    message.toRecipients << url.path(QUrl::FullyDecoded);
    for (const QString& to : query.allQueryItemValues(u"to"_s, QUrl::FullyDecoded)) {
        message.toRecipients << to;
    }
    message.toRecipients.removeAll(QString());
    message.subject = query.queryItemValue(u"subject"_s, QUrl::FullyDecoded);
    message.body = query.queryItemValue(u"body"_s, QUrl::FullyDecoded);
    QString error;
    if (writeToOutbox(message, &error).isNull()) {
        MYLOG(u"MailDelivery: %@"_s, error);
        return false;
    }
    return true;
}
