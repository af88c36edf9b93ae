#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A finished e-mail as the composer hands it over: recipients, subject, a plain or HTML body
// and attached files. A plain value; any thread may use a copy of its own, apart from
// plainTextBody, which lays the HTML out and so belongs to the GUI thread.
class MailMessage {
public:
    struct Attachment {
        QByteArray data;
        QString mimeType;
        QString fileName;
        bool operator==(const Attachment&) const = default;
    };

    QStringList toRecipients;
    QString subject;
    QString body;
    bool isHTML = false;
    QList<Attachment> attachments;

    bool operator==(const MailMessage&) const = default;

    // A standard MIME message (CRLF lines): Date, MIME-Version, To, an RFC 2047 subject, the
    // body as UTF-8 text/html or text/plain and each attachment as a base64 part with its file
    // name. Control characters are removed from the subject and the recipients first, so text
    // from outside can never start a header of its own. Each recipient may be "address" or
    // "Name <address>", and a recipient holding "," or ";" names several; entries that are not
    // addresses are left out (and logged). With no recipient the message has no To header.
    // Empty (and logged) should vmime refuse the message.
    QByteArray toMIME() const;

    // Reads a MIME message back: recipients ("address" or "Name <address>"), the decoded
    // subject, the HTML body when there is one (else the plain one) and the decoded
    // attachments. Nothing for bytes that hold no message header; never throws.
    static std::optional<MailMessage> fromMIME(const QByteArray& mime);

    // The recipients' bare addresses, in order: control characters removed, entries holding
    // "," or ";" split, names and entries that are not addresses left out.
    QStringList recipientAddresses() const;

    // The body as plain text: an HTML body laid out as text, where each link keeps its address
    // ("Read the reviews <http://...>"); a plain body as it is.
    QString plainTextBody() const;

    // The text without CR, LF, TAB, the other characters below U+0020 and DEL.
    static QString withoutControlCharacters(const QString& text);

private:
    QByteArray buildMIME() const;
};
