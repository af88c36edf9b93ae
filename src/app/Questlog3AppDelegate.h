#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <memory>

#include "MailComposeViewControllerDelegate.h"

class DataInstallationScreen;
class ManagedObjectContext;
class ManagedObjectModel;
class NavigationController;
class Notification;
class PersistentStoreCoordinator;
class RootViewController;
class SingleInstance;
struct StoreError;
class UpdateController;

// The application delegate: owns the window with its navigation stack, the store chain (model,
// coordinator, context) and the catalogue controller for the life of the process; runs the
// timed start-up sequence, the install overlay, saving on request and at termination, and the
// connectivity warning; composes the feedback and game-details mails and answers links of the
// build's own scheme. Main thread only.
class Questlog3AppDelegate : public QObject, public MailComposeViewControllerDelegate {
    Q_OBJECT
public:
    // The handset's screen, in logical points.
    static constexpr int kScreenWidth = 320;
    static constexpr int kScreenHeight = 480;
    // Precise timers: Qt's default coarse ones may fire up to 5 % early.
    static constexpr int kUpdateGamesDelayMs = 100;
    static constexpr int kCheckConnectivityDelayMs = 3000;
    static constexpr int kRemoveInstallModalDelayMs = 500;
    static constexpr int kKillInstallModalDelayMs = 1200;
    static inline const char* const kStoreFileName = "Questlog3.sqlite";

    explicit Questlog3AppDelegate(QObject* parent = nullptr);
    ~Questlog3AppDelegate() override;

    void applicationDidFinishLaunching();
    // Flushes the user defaults, then saves the store if it has changes. Runs once, on any
    // orderly end of the program.
    void applicationWillTerminate();

    // The store chain, created on first use. A store file that is damaged, or of a later
    // release, is moved aside and a new one made; a store that cannot be written is used
    // read-only; where no file can be used the store lives in memory for this run. Each case is
    // said on the console.
    ManagedObjectModel* managedObjectModel();
    PersistentStoreCoordinator* persistentStoreCoordinator();
    ManagedObjectContext* managedObjectContext();
    QString applicationDocumentsDirectory() const;

    void addListeners();
    void updateGames();
    void checkConnectivity();
    void showInstallingOverlay();
    void hideInstallingOverlay();
    void removeInstallModal();
    void killInstallModal();
    void saveData();

    // Opens the detail screen of the game with this review-service id once start-up is done
    // (after the catalogue install, on a first start); an unknown id is said on the console.
    void showGameAfterStartUp(const QString& idCriticon);

    // The user's lists to a file the user picks, and back (options sheet); the outcome is said
    // in an alert. The file dialogs open without a nested event loop.
    void exportMyLists();
    void importMyLists();
    void exportMyListsToFile(const QString& path);
    void importMyListsFromFile(const QString& path);
    // Set while the marks of a store moved aside as damaged wait to be restored from the newest
    // backup: once the new store's catalogue is in, at this start or the next.
    static inline const QString kRestoreMarksKey = QStringLiteral("RESTORE_MARKS_FROM_BACKUP");

    // Mail. Each composer shows over the navigation stack, or the no-mail alert when no mail
    // can be sent from here.
    void sendFeedbackEmail();
    void displayFeedbackEmailScreen();
    // `details`: "game" (Game*) and "screenshot" (QImage).
    void sendGameDetailsEmail(const QVariantMap& details);
    void displayGameDetailsEmailScreen(const QVariantMap& details);
    void showNoMailMessage();
    void mailComposeControllerDidFinishWithResult(MailComposeViewController* controller,
                                                  MailComposeResult result,
                                                  const QString& error) override;
    // The log line for a composer's result value.
    static QString mailResultText(int result);

    // The name under which this build runs once on its data home.
    static QString instanceKey();
    // Answers later starts of this build on this data home: each one's link is handled here
    // (held until start-up is over) and the window comes to the front. False when another
    // running program already answers them.
    bool listenForLaterStarts();

    // A link of the program's own scheme, from the command line or a later start: handled at
    // once when start-up and any catalogue install are over, else held until they are.
    void openURL(const QString& url);
    // Reads the link and offers its game for the wish list. False for a link without text.
    bool handleOpenURL(const QString& url);
    // The wish-list choice of the sheet shown for the link with this id. Each sheet keeps its
    // own id, so an answer never acts on a link that came later.
    void actionSheetClickedButton(const QString& buttonTitle, const QString& idCriticon);

    QWidget* window() const { return window_.get(); }
    NavigationController* navigationController() const { return navigationController_; }
    RootViewController* rootViewController() const { return rootViewController_; }
    UpdateController* updateController() const { return updateController_.get(); }

Q_SIGNALS:
    // Start-up steps as they happen, for whoever wants to follow them (tests, progress).
    void gamesUpdateStarted();
    void connectivityChecked(bool connected);

private:
    std::unique_ptr<QWidget> window_;
    NavigationController* navigationController_ = nullptr;  // owned by the window
    RootViewController* rootViewController_ = nullptr;      // owned by the navigation stack
    std::shared_ptr<ManagedObjectModel> managedObjectModel_;
    std::unique_ptr<PersistentStoreCoordinator> persistentStoreCoordinator_;
    std::unique_ptr<ManagedObjectContext> managedObjectContext_;
    std::unique_ptr<UpdateController> updateController_;
    QString _idCriticonFromURL;
    void addStoreInstead(const QString& path, const StoreError& error);
    bool storeReplaced_ = false;
    void presentComposer(MailComposeViewController* composer);
    // The work held back until start-up is over: a game to show, links to handle.
    void startUpSettled();
    void restoreMarksIfDue();
    void showOutcome(const QString& failureTitle, const QString& message, bool failed,
                     const QString& detail = QString());
    QString pendingGameId_;
    QStringList pendingURLs_;
    bool startedUp_ = false;
    QPointer<DataInstallationScreen> installScreen_;
    SingleInstance* singleInstance_ = nullptr;  // a child
    bool installing_ = false;
    bool terminated_ = false;
};
