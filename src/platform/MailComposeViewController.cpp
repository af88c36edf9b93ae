#include "MailComposeViewController.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "MailDelivery.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kThumbnailSide = 64;

QList<MailComposeViewController*>& liveComposers() {
    static QList<MailComposeViewController*> composers;
    return composers;
}

// The folder the chooser starts in: the one last chosen, else the documents folder.
QString& lastDraftFolder() {
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder;
}

}  // namespace

MailComposeViewController::MailComposeViewController(QWidget* parent) : QWidget(parent) {
    liveComposers().append(this);
    setWindowTitle(tr("New Message"));
    setAutoFillBackground(true);

    toField_ = new QLineEdit(this);
    toField_->setAccessibleName(tr("To"));
    connect(toField_, &QLineEdit::textEdited, this, [this] { recipientsEdited_ = true; });
    subjectField_ = new QLineEdit(this);
    subjectField_->setAccessibleName(tr("Subject"));

    auto* fields = new QFormLayout;
    fields->addRow(tr("To:"), toField_);
    fields->addRow(tr("Subject:"), subjectField_);

    htmlBody_ = new QTextBrowser(this);
    htmlBody_->setOpenLinks(false);
    htmlBody_->setOpenExternalLinks(false);
    htmlBody_->setAccessibleName(tr("Message"));
    htmlBody_->hide();
    plainBody_ = new QPlainTextEdit(this);
    plainBody_->setAccessibleName(tr("Message"));

    attachmentsLayout_ = new QVBoxLayout;
    attachmentsLayout_->setContentsMargins(0, 0, 0, 0);

    cancelButton_ = new QPushButton(tr("Cancel"), this);
    cancelButton_->setAccessibleName(tr("Cancel"));
    saveDraftButton_ = new QPushButton(tr("Save draft"), this);
    saveDraftButton_->setAccessibleName(tr("Save draft"));
    sendButton_ = new QPushButton(tr("Send"), this);
    sendButton_->setAccessibleName(tr("Send"));
    sendButton_->setDefault(true);
    connect(cancelButton_, &QPushButton::clicked, this, &MailComposeViewController::cancel);
    connect(saveDraftButton_, &QPushButton::clicked, this,
            &MailComposeViewController::chooseDraftFolder);
    connect(sendButton_, &QPushButton::clicked, this, &MailComposeViewController::send);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancelButton_);
    buttons->addStretch();
    buttons->addWidget(saveDraftButton_);
    buttons->addWidget(sendButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(htmlBody_, 1);
    layout->addWidget(plainBody_, 1);
    layout->addLayout(attachmentsLayout_);
    layout->addLayout(buttons);

    const auto shortcut = [this](const QKeySequence& keys,
                                 void (MailComposeViewController::*slot)()) {
        auto* s = new QShortcut(keys, this, this, slot);
        s->setContext(Qt::WidgetWithChildrenShortcut);
    };
    shortcut(QKeySequence(Qt::Key_Escape), &MailComposeViewController::cancel);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), &MailComposeViewController::send);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), &MailComposeViewController::send);
}

MailComposeViewController::~MailComposeViewController() {
    liveComposers().removeAll(this);
}

bool MailComposeViewController::canSendMail() {
    return MailDelivery::canSendMail();
}

void MailComposeViewController::setMailComposeDelegate(
    MailComposeViewControllerDelegate* delegate) {
    delegate_ = delegate;
}

void MailComposeViewController::forgetDelegate(const MailComposeViewControllerDelegate* delegate) {
    for (MailComposeViewController* composer : liveComposers()) {
        if (composer->delegate_ == delegate) {
            composer->delegate_ = nullptr;
        }
    }
}

void MailComposeViewController::setSubject(const QString& subject) {
    // A subject is one line, whatever text it was made from.
    subjectField_->setText(MailMessage::withoutControlCharacters(subject));
    subjectField_->setCursorPosition(0);  // show the start of a long subject
}

void MailComposeViewController::setToRecipients(const QStringList& toRecipients) {
    message_.toRecipients = toRecipients;
    recipientsEdited_ = false;
    toField_->setText(toRecipients.join(u", "_s));
}

void MailComposeViewController::setMessageBody(const QString& body, bool isHTML) {
    message_.body = body;
    message_.isHTML = isHTML;
    htmlBody_->setVisible(isHTML);
    plainBody_->setVisible(!isHTML);
    if (isHTML) {
        htmlBody_->setHtml(body);
        plainBody_->clear();
    } else {
        htmlBody_->clear();
        plainBody_->setPlainText(body);
    }
}

void MailComposeViewController::addAttachmentData(const QByteArray& bytes, const QString& mimeType,
                                                  const QString& fileName) {
    message_.attachments.append({bytes, mimeType, fileName});

    auto* row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    const QImage image = mimeType.startsWith(u"image/"_s) ? QImage::fromData(bytes) : QImage();
    if (!image.isNull()) {
        auto* thumbnail = new QLabel(row);
        thumbnail->setPixmap(QPixmap::fromImage(image.scaled(
            kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        thumbnail->setAccessibleName(tr("Preview of %1").arg(fileName));
        rowLayout->addWidget(thumbnail);
    }
    auto* name = new QLabel(fileName, row);
    name->setTextFormat(Qt::PlainText);
    name->setAccessibleName(tr("Attachment"));
    rowLayout->addWidget(name, 1);
    attachmentsLayout_->addWidget(row);
}

MailMessage MailComposeViewController::message() const {
    MailMessage current = message_;
    if (recipientsEdited_) {
        const QString typed = toField_->text().trimmed();
        current.toRecipients = typed.isEmpty() ? QStringList() : QStringList{typed};
    }
    current.subject = subjectField_->text();
    if (!current.isHTML) {
        current.body = plainBody_->toPlainText();
    }
    return current;
}

void MailComposeViewController::send() {
    if (busy_) {
        return;
    }
    setBusy(true);
    MailDelivery::deliver(
        message(), this, [this](MailDelivery::Result result, const QString& error) {
            setBusy(false);
            finish(result == MailDelivery::Result::Sent ? MailComposeResult::Sent
                                                        : MailComposeResult::Failed,
                   error);
        });
}

void MailComposeViewController::chooseDraftFolder() {
    if (busy_) {
        return;
    }
    auto* chooser = new QFileDialog(this, tr("Save Draft In"), lastDraftFolder());
    chooser->setFileMode(QFileDialog::Directory);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString& folder) {
        if (!folder.isEmpty()) {
            lastDraftFolder() = folder;
            saveDraftToFolder(folder);
        }
    });
    chooser->open();
}

void MailComposeViewController::saveDraftToFolder(const QString& folder) {
    const QString path = MailDelivery::saveDraft(message(), folder);
    if (path.isNull()) {
        finish(MailComposeResult::Failed, tr("The draft could not be saved in %1.").arg(folder));
    } else {
        finish(MailComposeResult::Saved, QString());
    }
}

void MailComposeViewController::cancel() {
    if (!busy_) {
        finish(MailComposeResult::Cancelled, QString());
    }
}

void MailComposeViewController::setBusy(bool busy) {
    busy_ = busy;
    for (QPushButton* button : {sendButton_, saveDraftButton_, cancelButton_}) {
        button->setEnabled(!busy);
    }
}

void MailComposeViewController::finish(MailComposeResult result, const QString& error) {
    if (delegate_) {
        delegate_->mailComposeControllerDidFinishWithResult(this, result, error);
    }
}
