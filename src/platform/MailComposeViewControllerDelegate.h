#pragma once

#include <QString>

class MailComposeViewController;

// How a mail composer ended. The values are the ones its results are logged by.
enum class MailComposeResult { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3 };

// Told when the user is done with a mail composer. Held without ownership; a delegate that is
// destroyed first detaches itself from every composer. The call comes on the GUI thread from
// the event loop; the composer never closes itself, so the delegate dismisses it (it may do so,
// and delete it, inside the call).
class MailComposeViewControllerDelegate {
public:
    virtual ~MailComposeViewControllerDelegate();

    // `error` says why, for Failed; it is empty otherwise.
    virtual void mailComposeControllerDidFinishWithResult(MailComposeViewController* controller,
                                                          MailComposeResult result,
                                                          const QString& error) = 0;
};
