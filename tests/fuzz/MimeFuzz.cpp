// Mail messages. An even first byte reads the rest as a raw message, which must not crash. An
// odd one makes a message of "<recipients>\0<subject>\0<body>\0<file name>\0<data>" (recipients
// split at "\n"; the second byte's low bit says HTML): writing and reading it back must give the
// same recipients, subject, body and attachment.
#include <QList>
#include <algorithm>

#include "FuzzTarget.h"
#include "MailMessage.h"

namespace {

// The addresses as a mail carries them: a domain beyond ASCII travels in its ASCII (punycode)
// form, written by vmime, so only that it is there is compared.
QStringList carried(const QStringList& addresses) {
    QStringList result;
    for (const QString& address : addresses) {
        const qsizetype at = address.lastIndexOf(u'@');
        const QString domain = address.mid(at + 1);
        const bool ascii =
            std::all_of(domain.begin(), domain.end(), [](QChar c) { return c.unicode() < 0x80; });
        const bool ace = domain.contains(QStringLiteral("xn--"), Qt::CaseInsensitive);
        result << (ascii && !ace ? address : address.left(at + 1) + QStringLiteral("(idn)"));
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return -1;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (!(data[0] & 1)) {
        if (const auto message = MailMessage::fromMIME(bytes)) {
            message->toMIME();
        }
        return 0;
    }

    const QList<QByteArray> parts = bytes.mid(1).split('\0');
    const auto part = [&](int i) { return QString::fromUtf8(parts.value(i)); };
    MailMessage message;
    message.toRecipients = part(0).split(u'\n');
    message.subject = part(1);
    message.body = part(2);
    message.isHTML = bytes[0] & 1;
    if (parts.size() > 3) {
        message.attachments << MailMessage::Attachment{parts.mid(4).join('\0'),
                                                       QStringLiteral("image/png"), part(3)};
    }

    const QByteArray mime = message.toMIME();
    FUZZ_CHECK(!mime.isEmpty());
    const auto back = MailMessage::fromMIME(mime);
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(carried(back->recipientAddresses()) == carried(message.recipientAddresses()));
    // A subject goes with single blanks between its words; blanks around a file name may go.
    FUZZ_CHECK(back->subject ==
               MailMessage::withoutControlCharacters(message.subject).simplified());
    FUZZ_CHECK(back->body == message.body && back->isHTML == message.isHTML);
    FUZZ_CHECK(back->attachments.size() == message.attachments.size());
    if (!message.attachments.isEmpty()) {
        const MailMessage::Attachment& attachment = back->attachments.first();
        FUZZ_CHECK(attachment.data == message.attachments.first().data);
        FUZZ_CHECK(attachment.mimeType == QStringLiteral("image/png"));
        // vmime reads encoded words even in the quoted file name, where they are only text.
        const QString fileName = MailMessage::withoutControlCharacters(part(3));
        FUZZ_CHECK(fileName.contains(QStringLiteral("=?")) ||
                   attachment.fileName.trimmed() == fileName.trimmed());
    }
    // Names and all: a message read back writes and reads as itself.
    FUZZ_CHECK(MailMessage::fromMIME(back->toMIME()) == back);
    return 0;
}
