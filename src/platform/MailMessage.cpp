#include "MailMessage.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <vmime/vmime.hpp>

#include "Clock.h"
#include "MyLog.h"

using namespace Qt::StringLiterals;

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Splits at "," and ";" outside quotes and angle brackets, so "Doe, Jane" <j@x> stays whole; a
// backslash in quotes escapes the next character, as in a header.
QStringList splitRecipients(const QString& recipients) {
    QStringList parts;
    QString current;
    bool quoted = false;
    bool escaped = false;
    int angle = 0;
    for (const QChar c : recipients) {
        if (escaped) {
            escaped = false;
        } else if (quoted && c == u'\\') {
            escaped = true;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u'<') {
            ++angle;
        } else if (!quoted && c == u'>' && angle > 0) {
            --angle;
        } else if (!quoted && angle == 0 && (c == u',' || c == u';')) {
            parts << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    parts << current.trimmed();
    parts.removeAll(QString());
    return parts;
}

// A dot-atom address (RFC 5322) with a local part of at most 64 characters (RFC 5321) and a
// domain of labels of letters, digits and hyphens. A domain beyond ASCII is written in its ASCII
// form; a longer or looser local part, or one beyond ASCII (which would need SMTPUTF8), vmime
// garbles in the header it writes, taking the next recipients with it. A local part holding "=?"
// or "?=" it writes as an encoded word, which reads back as another address or none.
bool isAddress(const QString& address) {
    static const QRegularExpression pattern(
        uR"(^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]{1,64}@[\p{L}\p{N}-]+(\.[\p{L}\p{N}-]+)*$)"_s);
    return pattern.match(address).hasMatch() && !address.contains(u"=?"_s) &&
           !address.contains(u"?="_s);
}

struct Recipient {
    QString name;
    QString address;
};

// Each recipient of the entries, "address" or "Name <address>"; entries without an address are
// logged and left out.
QList<Recipient> recipientsOf(const QStringList& entries) {
    QList<Recipient> recipients;
    for (const QString& entry : entries) {
        for (const QString& recipient :
             splitRecipients(MailMessage::withoutControlCharacters(entry))) {
            QString name;
            QString address = recipient;
            const qsizetype open = recipient.lastIndexOf(u'<');
            if (open >= 0 && recipient.endsWith(u'>')) {
                name = recipient.left(open).trimmed();
                if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) {
                    static const QRegularExpression escape(uR"(\\(.))"_s);
                    // Blanks at the ends of a quoted name do not survive a message written and
                    // read again, so they are not kept from the start.
                    name = name.mid(1, name.size() - 2).replace(escape, u"\\1"_s).trimmed();
                }
                address = recipient.mid(open + 1, recipient.size() - open - 2).trimmed();
            }
            if (isAddress(address)) {
                recipients << Recipient{name, address};
            } else {
                MYLOG(u"MailMessage: [%@] is not an address; left out"_s, recipient);
            }
        }
    }
    return recipients;
}

vmime::mediaType mediaTypeFrom(const QString& mimeType) {
    static const QRegularExpression pattern(uR"(^[A-Za-z0-9!#$&^_.+-]+/[A-Za-z0-9!#$&^_.+-]+$)"_s);
    const QString cleaned = MailMessage::withoutControlCharacters(mimeType).trimmed();
    if (!pattern.match(cleaned).hasMatch()) {
        return vmime::mediaType(vmime::mediaTypes::APPLICATION,
                                vmime::mediaTypes::APPLICATION_OCTET_STREAM);
    }
    return vmime::mediaType(utf8(cleaned.toLower()));
}

std::string extracted(const vmime::contentHandler& content) {
    std::string bytes;
    vmime::utility::outputStreamStringAdapter stream(bytes);
    content.extract(stream);
    return bytes;
}

QString textOf(const vmime::textPart& part) {
    const std::string bytes = extracted(*part.getText());
    std::string converted;
    try {
        vmime::charset::convert(bytes, converted, part.getCharset(), vmime::charsets::UTF_8);
    } catch (const vmime::exception&) {
        converted = bytes;  // an unknown character set: the bytes are the best we have
    }
    return fromUtf8(converted);
}

// "address" or "Name <address>", the name quoted when it holds a separator, a bracket or a
// quote, so that the text names the same one recipient when the message is written again.
QString recipientText(const vmime::mailbox& mailbox) {
    const QString address = fromUtf8(mailbox.getEmail().toString());
    QString name = fromUtf8(mailbox.getName().getConvertedText(vmime::charsets::UTF_8));
    static const QRegularExpression special(uR"([,;<>"\\])"_s);
    if (name.contains(special)) {
        name = u'"' + name.replace(u'\\', u"\\\\"_s).replace(u'"', u"\\\""_s) + u'"';
    }
    return name.isEmpty() ? address : u"%1 <%2>"_s.arg(name, address);
}

vmime::datetime nowForHeader() {
    const QDateTime now = Clock::now();
    const QDate date = now.date();
    const QTime time = now.time();
    return vmime::datetime(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                           time.second(), now.offsetFromUtc() / 60);
}

}  // namespace

QString MailMessage::withoutControlCharacters(const QString& text) {
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f) {
            cleaned += c;
        }
    }
    return cleaned;
}

QByteArray MailMessage::toMIME() const {
    try {
        return buildMIME();
    } catch (const std::exception& error) {
        MYLOG(u"MailMessage: no MIME message: %@"_s, QString::fromUtf8(error.what()));
        return {};
    }
}

QByteArray MailMessage::buildMIME() const {
    vmime::messageBuilder builder;
    for (const Recipient& recipient : recipientsOf(toRecipients)) {
        // One encoded word for the whole name: vmime drops the blank between words of
        // different character sets when it reads them back.
        const vmime::text name =
            recipient.name.isEmpty()
                ? vmime::text()
                : vmime::text(vmime::word(utf8(recipient.name), vmime::charsets::UTF_8));
        builder.getRecipients().appendAddress(
            vmime::make_shared<vmime::mailbox>(name, vmime::emailAddress(utf8(recipient.address))));
    }
    // The builder insists on a recipient; a message without one is still worth writing (the
    // mail program or the reader fills it in), so a stand-in is taken out again below.
    const bool hasRecipient = !builder.getRecipients().isEmpty();
    if (!hasRecipient) {
        builder.getRecipients().appendAddress(vmime::make_shared<vmime::mailbox>("nobody@invalid"));
    }
    // A long subject is folded at its blanks and comes back with runs of blanks shortened: single
    // blanks between words are what a header carries whole.
    builder.setSubject(vmime::text(
        vmime::word(utf8(withoutControlCharacters(subject).simplified()), vmime::charsets::UTF_8)));

    builder.constructTextPart(
        vmime::mediaType(vmime::mediaTypes::TEXT,
                         isHTML ? vmime::mediaTypes::TEXT_HTML : vmime::mediaTypes::TEXT_PLAIN));
    const auto textPart = builder.getTextPart();
    textPart->setCharset(vmime::charsets::UTF_8);
    textPart->setText(vmime::make_shared<vmime::stringContentHandler>(utf8(body)));

    for (const Attachment& attachment : attachments) {
        const auto content = vmime::make_shared<vmime::stringContentHandler>(
            std::string(attachment.data.constData(), size_t(attachment.data.size())));
        builder.appendAttachment(vmime::make_shared<vmime::defaultAttachment>(
            content, vmime::encoding(vmime::encodingTypes::BASE64),
            mediaTypeFrom(attachment.mimeType), vmime::text(),
            vmime::word(utf8(withoutControlCharacters(attachment.fileName)),
                        vmime::charsets::UTF_8)));
    }

    const auto message = builder.construct();
    const auto header = message->getHeader();
    if (!hasRecipient) {
        header->removeField(header->findField(vmime::fields::TO));
    }
    header->Date()->setValue(nowForHeader());
    return QByteArray::fromStdString(message->generate());
}

std::optional<MailMessage> MailMessage::fromMIME(const QByteArray& mime) {
    try {
        const auto message = vmime::make_shared<vmime::message>();
        message->parse(mime.toStdString());
        const auto header = message->getHeader();
        const bool looksLikeMessage =
            header->hasField(vmime::fields::TO) || header->hasField(vmime::fields::FROM) ||
            header->hasField(vmime::fields::SUBJECT) || header->hasField(vmime::fields::DATE) ||
            header->hasField(vmime::fields::MIME_VERSION) ||
            header->hasField(vmime::fields::CONTENT_TYPE);
        if (!looksLikeMessage) {
            return std::nullopt;
        }

        const vmime::messageParser parser(message);
        MailMessage result;
        for (const auto& address : parser.getRecipients().getAddressList()) {
            if (const auto group = vmime::dynamicCast<const vmime::mailboxGroup>(address)) {
                for (const auto& mailbox : group->getMailboxList()) {
                    result.toRecipients << recipientText(*mailbox);
                }
            } else if (const auto mailbox = vmime::dynamicCast<const vmime::mailbox>(address)) {
                result.toRecipients << recipientText(*mailbox);
            }
        }
        result.subject = fromUtf8(parser.getSubject().getConvertedText(vmime::charsets::UTF_8));

        std::shared_ptr<const vmime::textPart> chosen;
        for (const auto& part : parser.getTextPartList()) {
            const bool html = part->getType().getSubType() == vmime::mediaTypes::TEXT_HTML;
            if (!chosen || (html && !result.isHTML)) {
                chosen = part;
                result.isHTML = html;
            }
        }
        if (chosen) {
            result.body = textOf(*chosen);
        }

        for (const auto& attachment : parser.getAttachmentList()) {
            const std::string data = extracted(*attachment->getData());
            result.attachments << Attachment{
                QByteArray::fromStdString(data), fromUtf8(attachment->getType().generate()),
                fromUtf8(attachment->getName().getConvertedText(vmime::charsets::UTF_8))};
        }
        return result;
    } catch (...) {
        // vmime throws its own exceptions and the standard library's alike on malformed input.
        return std::nullopt;
    }
}

QStringList MailMessage::recipientAddresses() const {
    QStringList addresses;
    for (const Recipient& recipient : recipientsOf(toRecipients)) {
        addresses << recipient.address;
    }
    return addresses;
}

QString MailMessage::plainTextBody() const {
    if (!isHTML) {
        return body;
    }
    QTextDocument document;
    document.setHtml(body);
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line;
        QString href;      // the link the text just before belongs to
        QString linkText;  // and that link's text so far
        const auto closeLink = [&] {
            if (!href.isEmpty() && linkText.trimmed() != href) {
                line += u" <%1>"_s.arg(href);
            }
            linkText.clear();
        };
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QString fragmentHref = format.isAnchor() ? format.anchorHref() : QString();
            if (fragmentHref != href) {
                closeLink();
                href = fragmentHref;
            }
            if (format.isImageFormat()) {
                continue;
            }
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, u'\n').replace(QChar::Nbsp, u' ');
            line += text;
            linkText += text;
        }
        closeLink();
        lines << line;
    }
    return lines.join(u'\n').trimmed();
}
