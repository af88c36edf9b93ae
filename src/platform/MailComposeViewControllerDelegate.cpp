#include "MailComposeViewControllerDelegate.h"

#include "MailComposeViewController.h"

MailComposeViewControllerDelegate::~MailComposeViewControllerDelegate() {
    // A composer outliving its delegate must not call into freed memory.
    MailComposeViewController::forgetDelegate(this);
}
