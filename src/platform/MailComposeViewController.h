#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "MailComposeViewControllerDelegate.h"
#include "MailMessage.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;
class QVBoxLayout;

// A window that shows a prepared message (To, Subject, the body, the attachments) with Send,
// Save draft and Cancel, and tells its delegate how it ended. The caller presents it (usually
// modally over the navigation controller); it never closes itself: the delegate dismisses it.
// Send hands the message to MailDelivery and keeps every button off until that has answered;
// Save draft asks for a folder without blocking and writes a .eml there. Escape cancels and
// Ctrl+Return sends. An HTML body is shown rendered (links are not followed) and is sent as it
// was set; a plain body can be edited. GUI thread only.
class MailComposeViewController : public QWidget {
    Q_OBJECT

public:
    using MailComposeResult = ::MailComposeResult;

    explicit MailComposeViewController(QWidget* parent = nullptr);
    ~MailComposeViewController() override;

    // Whether Send can go anywhere (MailDelivery::canSendMail).
    static bool canSendMail();

    // Not owned; see MailComposeViewControllerDelegate.
    void setMailComposeDelegate(MailComposeViewControllerDelegate* delegate);
    MailComposeViewControllerDelegate* mailComposeDelegate() const { return delegate_; }

    void setSubject(const QString& subject);
    void setToRecipients(const QStringList& toRecipients);
    void setMessageBody(const QString& body, bool isHTML);
    void addAttachmentData(const QByteArray& bytes, const QString& mimeType,
                           const QString& fileName);

    // The message as it stands, with what the user has typed into To, Subject and a plain body.
    MailMessage message() const;

    // Writes the message as a draft into the folder and reports Saved, or Failed when it cannot
    // be written. Save draft calls this with the folder the user picks.
    void saveDraftToFolder(const QString& folder);

    // Detaches the delegate from every composer (its destructor calls this).
    static void forgetDelegate(const MailComposeViewControllerDelegate* delegate);

private:
    void send();
    void chooseDraftFolder();
    void cancel();
    void setBusy(bool busy);
    // Tells the delegate; the last thing a caller does, since the delegate may delete this.
    void finish(MailComposeResult result, const QString& error);

    MailComposeViewControllerDelegate* delegate_ = nullptr;
    MailMessage message_;
    bool recipientsEdited_ = false;
    bool busy_ = false;

    QLineEdit* toField_ = nullptr;
    QLineEdit* subjectField_ = nullptr;
    QTextBrowser* htmlBody_ = nullptr;
    QPlainTextEdit* plainBody_ = nullptr;
    QVBoxLayout* attachmentsLayout_ = nullptr;
    QPushButton* sendButton_ = nullptr;
    QPushButton* saveDraftButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};
