#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "MailMessage.h"

class QObject;

// Where a finished message goes. With $QUESTLOG_MAIL_OUTBOX naming a folder, messages are
// written there as .eml files; otherwise they are handed to the desktop's mail program through
// xdg-email (xdg-utils), and a copy of each is kept in <data home>/Mail/Sent. GUI thread only.
class MailDelivery {
public:
    enum class Result { Sent, Failed };
    using Completion = std::function<void(Result result, const QString& error)>;

    // $QUESTLOG_MAIL_OUTBOX; null when it is unset or empty.
    static QString outboxPath();

    // True when the outbox is set, or when a program is registered for mailto: addresses
    // (asked of xdg-mime, which gets two seconds to answer).
    static bool canSendMail();

    // Delivers the message and later tells `done`, from the event loop (never inside this
    // call), whether it went; the error text says why not. Into the outbox: written atomically
    // as <outbox>/<timestamp>-<n>.eml, never over another file. Otherwise: xdg-email opens the
    // mail program with the subject, the body as text and the attachments (written beside the
    // copy in Mail/Sent, where the mail program can still read them after xdg-email has
    // ended); its exit status 0 means sent. `done` is dropped when `context` is destroyed
    // first.
    static void deliver(const MailMessage& message, QObject* context, Completion done);

    // Writes the message atomically as <folder>/<name>.eml, the name made from the subject
    // (a time stamp when nothing of it is left), never over another file. Answers the file's
    // path; null when it cannot be written.
    static QString saveDraft(const MailMessage& message, const QString& folder);

    // A mailto: address while the outbox is set becomes a plain-text message (the address's
    // recipients, its subject and body decoded) written to the outbox; every other case opens
    // the address outside the program (SystemURLOpener). Answers whether it went somewhere.
    static bool openMailtoURL(const QUrl& url);

private:
    // Writes the bytes atomically into the folder (made when missing) under nameFor(n) for the
    // first n = 1, 2, ... that names no file yet. Answers the path, or null with the reason in
    // `error`.
    static QString writeNewFile(const QString& folder, const std::function<QString(int)>& nameFor,
                                const QByteArray& bytes, QString* error);
    static QString writeToOutbox(const MailMessage& message, QString* error);
    static void handToMailProgram(const MailMessage& message, QObject* context, Completion done);
};
