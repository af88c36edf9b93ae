// Mail messages. An even first byte reads the rest as a raw message, which must not crash. An
// odd one makes a message of "<recipients>\0<subject>\0<body>\0<file name>\0<data>" (recipients
// split at "\n"; the second byte's low bit says HTML): writing and reading it back must give the
// same recipients, subject, body and attachment.
#include <QList>
#include <cstdlib>

#include "MailMessage.h"

namespace {

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
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
    check(!mime.isEmpty());
    const auto back = MailMessage::fromMIME(mime);
    check(back.has_value());
    check(back->recipientAddresses() == message.recipientAddresses());
    check(back->subject == MailMessage::withoutControlCharacters(message.subject));
    check(back->body == message.body && back->isHTML == message.isHTML);
    check(back->attachments.size() == message.attachments.size());
    if (!message.attachments.isEmpty()) {
        const MailMessage::Attachment& attachment = back->attachments.first();
        check(attachment.data == message.attachments.first().data);
        check(attachment.mimeType == QStringLiteral("image/png"));
        check(attachment.fileName == MailMessage::withoutControlCharacters(part(3)));
    }
    // Names and all: a message read back writes and reads as itself.
    check(MailMessage::fromMIME(back->toMIME()) == back);
    return 0;
}
