#include "Questlog3AppDelegate.h"

#include <QBuffer>
#include <QFileDialog>
#include <QImage>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "ActionSheet.h"
#include "AlertView.h"
#include "Animator.h"
#include "Console.h"
#include "DataInstallationScreen.h"
#include "FileFunctions.h"
#include "Format.h"
#include "Game.h"
#include "GameDetailsEmail.h"
#include "MailComposeViewController.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "MarksKeeper.h"
#include "Model.h"
#include "MyLog.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "PersistentStoreCoordinator.h"
#include "QlMetricWriter.h"
#include "RootViewController.h"
#include "SingleInstance.h"
#include "StoreError.h"
#include "UpdateController.h"
#include "UserDefaults.h"
#include "WishLink.h"

using namespace Qt::Literals::StringLiterals;

Questlog3AppDelegate::Questlog3AppDelegate(QObject* parent)
    : QObject(parent), window_(std::make_unique<QWidget>()) {
    // What the main interface file holds: the window, the navigation stack and its root.
    window_->setWindowTitle(Model::instanceOf()->homescreenTitle());
    window_->setFixedSize(kScreenWidth, kScreenHeight);
    navigationController_ = new NavigationController(nullptr, window_.get());
    rootViewController_ = new RootViewController();
    navigationController_->pushViewController(rootViewController_, false);
}

Questlog3AppDelegate::~Questlog3AppDelegate() {
    NotificationCenter::defaultCenter()->removeObserver(this);
    // The screens go before the store they borrow.
    window_.reset();
    updateController_.reset();
}

ManagedObjectModel* Questlog3AppDelegate::managedObjectModel() {
    if (!managedObjectModel_) {
        managedObjectModel_ = ManagedObjectModel::mergedModelFromBundles();
    }
    return managedObjectModel_.get();
}

PersistentStoreCoordinator* Questlog3AppDelegate::persistentStoreCoordinator() {
    if (!persistentStoreCoordinator_) {
        persistentStoreCoordinator_ =
            std::make_unique<PersistentStoreCoordinator>(managedObjectModel());
        const QString home = applicationDocumentsDirectory();
        if (!FileFunctions::isWritableAtPath(home)) {
            Console::log(u"The data home %@ cannot be written"_s, home);
        }
        const QString path = home + u'/' + QString::fromLatin1(kStoreFileName);
        StoreError error;
        if (!persistentStoreCoordinator_->addPersistentStoreWithType(path, &error)) {
            Console::log(u"App del: persistentStoreCoordinator: Unresolved error %@, %@"_s, error,
                         error.userInfo);
            addStoreInstead(path, error);
        } else if (persistentStoreCoordinator_->isReadOnly()) {
            Console::log(
                u"The store %@ cannot be written: it is used read-only, and changes are "
                u"kept in memory only"_s,
                path);
        }
    }
    return persistentStoreCoordinator_.get();
}

// The program always starts with a store it can use. What the user had is never written over: a
// store that is not a usable one goes aside whole and the first start's install fills a new one
// (a later release's store too, kept whole for that release); failing that, this run keeps its
// catalogue and changes in memory.
void Questlog3AppDelegate::addStoreInstead(const QString& path, const StoreError& error) {
    PersistentStoreCoordinator* coordinator = persistentStoreCoordinator_.get();
    const bool damaged = error.code == StoreError::Damaged;
    QString aside;
    if (damaged || error.code == StoreError::NewerSchema) {
        aside =
            PersistentStoreCoordinator::moveStoreAside(path, damaged ? u"damaged"_s : u"newer"_s);
    }
    if (!aside.isNull()) {
        Console::log(damaged
                         ? u"The store %@ is damaged (%@): moved aside to %@, starting a new one"_s
                         : u"The store %@ is of a later release (%@): moved aside to %@, "
                           u"starting a new one"_s,
                     path, error.message, aside);
        if (damaged) {
            UserDefaults::standardUserDefaults()->setBool(true, kRestoreMarksKey);
            UserDefaults::standardUserDefaults()->synchronize();
        }
        StoreError again;
        if (coordinator->addPersistentStoreWithType(path, &again)) {
            storeReplaced_ = true;
            return;
        }
        Console::log(u"App del: persistentStoreCoordinator: Unresolved error %@, %@"_s, again,
                     again.userInfo);
    }
    if (coordinator->addPersistentStoreWithType(u":memory:"_s, nullptr)) {
        storeReplaced_ = true;
        Console::log(
            u"The store %@ cannot be used (%@)%@; this run keeps its changes in memory only"_s,
            path, error.message,
            !aside.isNull()                         ? u", moved aside"_s
            : FileFunctions::fileExistsAtPath(path) ? u", left as it is"_s
                                                    : QString());
    }
}

ManagedObjectContext* Questlog3AppDelegate::managedObjectContext() {
    if (!managedObjectContext_) {
        if (PersistentStoreCoordinator* coordinator = persistentStoreCoordinator()) {
            managedObjectContext_ = std::make_unique<ManagedObjectContext>();
            managedObjectContext_->setPersistentStoreCoordinator(coordinator);
        }
    }
    return managedObjectContext_.get();
}

QString Questlog3AppDelegate::applicationDocumentsDirectory() const {
    return FileFunctions::getDocumentDirectoryPath();
}

void Questlog3AppDelegate::applicationDidFinishLaunching() {
    auto* root = qobject_cast<RootViewController*>(navigationController_->topViewController());
    if (root) {
        root->setManagedObjectContext(managedObjectContext());
        root->setManagedObjectModel(managedObjectModel());
    }
    addListeners();
    navigationController_->setNavigationBarHidden(true, false);

    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(navigationController_);
    window_->show();

    updateController_ =
        UpdateController::updateControllerWithContext(managedObjectContext(), managedObjectModel());
    if (storeReplaced_) {
        // The store made in place of one that could not be used holds no games: the shipped
        // catalogue goes in as on a first start.
        updateController_->setLastUpdateYMD(QString());
    }
    Animator::after(kUpdateGamesDelayMs, this, [this] { updateGames(); });
    Animator::after(kCheckConnectivityDelayMs, this, [this] { checkConnectivity(); });
}

void Questlog3AppDelegate::addListeners() {
    NotificationCenter* center = NotificationCenter::defaultCenter();
    center->addObserver(this, u"NOTIF_SAVE_GAME_DATA"_s,
                        [this](const Notification&) { saveData(); });
    center->addObserver(this, u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s,
                        [this](const Notification&) { showInstallingOverlay(); });
    center->addObserver(this, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s,
                        [this](const Notification&) { hideInstallingOverlay(); });
    center->addObserver(this, u"NOTIF_SEND_FEEDBACK_EMAIL"_s,
                        [this](const Notification&) { sendFeedbackEmail(); });
    center->addObserver(this, u"NOTIF_EXPORT_MY_LISTS"_s,
                        [this](const Notification&) { exportMyLists(); });
    center->addObserver(this, u"NOTIF_IMPORT_MY_LISTS"_s,
                        [this](const Notification&) { importMyLists(); });
    center->addObserver(this, u"NOTIF_SEND_GAME_DETAILS_EMAIL"_s, [this](const Notification& note) {
        sendGameDetailsEmail(note.object().toMap());
    });
}

void Questlog3AppDelegate::updateGames() {
    Q_EMIT gamesUpdateStarted();
    if (updateController_) {
        updateController_->updateGames();
    }
    startedUp_ = true;
    if (!installing_) {
        startUpSettled();
    }
}

void Questlog3AppDelegate::showGameAfterStartUp(const QString& idCriticon) {
    pendingGameId_ = idCriticon;
}

void Questlog3AppDelegate::startUpSettled() {
    restoreMarksIfDue();
    if (!pendingGameId_.isNull() && updateController_) {
        const QString id = std::exchange(pendingGameId_, QString());
        if (Game* game = updateController_->getGameFromEntityWithCriticonID(id)) {
            NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SHOW_GAME_DETAILS"_s,
                                                                      QVariant::fromValue(game));
        } else {
            Console::log(u"No game with the id %@ to show"_s, id);
        }
    }
    for (const QString& url : std::exchange(pendingURLs_, {})) {
        handleOpenURL(url);
    }
}

void Questlog3AppDelegate::restoreMarksIfDue() {
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    if (!defaults->boolForKey(kRestoreMarksKey) || !managedObjectContext_) {
        return;
    }
    const MarksKeeper::Result result =
        MarksKeeper(managedObjectContext_.get()).restoreFromNewestBackup();
    Console::log(u"The store was damaged: %@"_s, result.message);
    // Tried again at the next start only when the new store could not take the marks.
    if (result.outcome != MarksKeeper::Outcome::StoreFailed) {
        defaults->removeObjectForKey(kRestoreMarksKey);
        defaults->synchronize();
    }
}

void Questlog3AppDelegate::exportMyLists() {
    auto* dialog =
        new QFileDialog(window_.get(), u"Export my lists"_s,
                        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setNameFilters({u"JSON (*.json)"_s, u"CSV (*.csv)"_s});
    dialog->setDefaultSuffix(u"json"_s);
    dialog->selectFile(u"questlog-%1-lists.json"_s.arg(Model::instanceOf()->platformCode()));
    // The suffix follows the chosen kind, so the file is written as what it is called.
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.startsWith(u"CSV"_s) ? u"csv"_s : u"json"_s);
    });
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { exportMyListsToFile(path); });
    dialog->open();
}

void Questlog3AppDelegate::importMyLists() {
    auto* dialog =
        new QFileDialog(window_.get(), u"Import my lists"_s,
                        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                        u"Lists of marks (*.json *.csv);;All files (*)"_s);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { importMyListsFromFile(path); });
    dialog->open();
}

void Questlog3AppDelegate::exportMyListsToFile(const QString& path) {
    saveData();
    const MarksKeeper::Result result = MarksKeeper(managedObjectContext()).exportToFile(path);
    showOutcome(u"Export failed"_s, result.message, result.outcome != MarksKeeper::Outcome::Done);
}

void Questlog3AppDelegate::importMyListsFromFile(const QString& path) {
    const MarksKeeper::Result result = MarksKeeper(managedObjectContext()).importFromFile(path);
    showOutcome(u"Import failed"_s, result.message, result.outcome != MarksKeeper::Outcome::Done,
                result.unknown > 0 ? u"Their marks are kept in %1."_s.arg(
                                         FileFunctions::getPathForDocumentDirectoryResource(
                                             MarksKeeper::kUnmatchedFileName))
                                   : QString());
}

void Questlog3AppDelegate::showOutcome(const QString& failureTitle, const QString& message,
                                       bool failed, const QString& detail) {
    Console::log(u"%@"_s, message);
    auto* alert = failed ? new AlertView(failureTitle, message, u"OK"_s, window_.get())
                         : new AlertView(message, detail, u"OK"_s, window_.get());
    alert->show();
}

void Questlog3AppDelegate::sendFeedbackEmail() {
    QlMetricWriter::writeMetric(u"Feedback emailed"_s);
    displayFeedbackEmailScreen();
}

void Questlog3AppDelegate::displayFeedbackEmailScreen() {
    if (!MailComposeViewController::canSendMail()) {
        showNoMailMessage();
        return;
    }
    const Model* settings = Model::instanceOf();
    auto* composer = new MailComposeViewController();
    composer->setMailComposeDelegate(this);
    composer->setSubject(Format::format(u"Ideas for %@"_s, settings->homescreenTitle()));
    composer->setToRecipients({settings->feedbackAddress()});
    composer->setMessageBody(u""_s, false);
    presentComposer(composer);
}

void Questlog3AppDelegate::sendGameDetailsEmail(const QVariantMap& details) {
    QlMetricWriter::writeMetric(u"Game details emailed"_s);
    displayGameDetailsEmailScreen(details);
}

void Questlog3AppDelegate::displayGameDetailsEmailScreen(const QVariantMap& details) {
    if (!MailComposeViewController::canSendMail()) {
        showNoMailMessage();
        return;
    }
    Game* game = details.value(u"game"_s).value<Game*>();
    if (game == nullptr) {
        MYLOG(u"No game to tell about"_s);
        return;
    }
    const Model* settings = Model::instanceOf();
    auto* composer = new MailComposeViewController();
    composer->setMailComposeDelegate(this);
    composer->setSubject(GameDetailsEmail::subject(game->title(), settings->homescreenTitle()));
    QByteArray png;
    QBuffer buffer(&png);
    if (buffer.open(QIODevice::WriteOnly) &&
        details.value(u"screenshot"_s).value<QImage>().save(&buffer, "PNG")) {
        composer->addAttachmentData(png, u"image/png"_s, u"screenshot"_s);
    }
    const QString wishLink = WishLink::linkForGame(
        settings->customURLScheme(), settings->wishLinkHost(), game->idCriticon(), game->title());
    composer->setMessageBody(GameDetailsEmail::body(FileFunctions::getStringFileValueFromBundle(
                                                        GameDetailsEmail::kTemplateName, u"html"_s),
                                                    {.criticonLink = game->urlCriticonLink(),
                                                     .iTunesLink = settings->iTunesURL(),
                                                     .appTitle = settings->homescreenTitle(),
                                                     .customAppURL = wishLink,
                                                     .gameTitle = game->title()}),
                             true);
    presentComposer(composer);
}

void Questlog3AppDelegate::presentComposer(MailComposeViewController* composer) {
    if (!navigationController_->presentModalViewController(composer, true)) {
        delete composer;  // another screen is presented; the navigation stack said so
    }
}

void Questlog3AppDelegate::showNoMailMessage() {
    auto* alert = new AlertView(
        u"Email not setup"_s,
        u"Sorry, you have to have email setup and enabled on this device to use this feature."_s,
        u"OK"_s, window_.get());
    alert->show();
}

QString Questlog3AppDelegate::mailResultText(int result) {
    switch (result) {
        case int(MailComposeResult::Cancelled):
            return u"Result: canceled"_s;
        case int(MailComposeResult::Saved):
            return u"Result: saved"_s;
        case int(MailComposeResult::Sent):
            return u"Result: sent"_s;
        case int(MailComposeResult::Failed):
            return u"Result: failed"_s;
        default:
            return u"Result: not sent"_s;
    }
}

void Questlog3AppDelegate::mailComposeControllerDidFinishWithResult(
    MailComposeViewController* controller, MailComposeResult result, const QString&) {
    MYLOG(mailResultText(int(result)));
    // Only the composer that answered: nothing else presented since is taken away.
    if (navigationController_->modalViewController() == controller) {
        navigationController_->dismissModalViewControllerAnimated(true);
    }
}

QString Questlog3AppDelegate::instanceKey() {
    return u"questlog-"_s + Model::instanceOf()->platformCode() + u'@' +
           FileFunctions::getDocumentDirectoryPath();
}

bool Questlog3AppDelegate::listenForLaterStarts() {
    if (singleInstance_ == nullptr) {
        singleInstance_ = new SingleInstance(instanceKey(), this);
        connect(singleInstance_, &SingleInstance::messageReceived, this,
                [this](const QString& url) {
                    window_->showNormal();
                    window_->raise();
                    window_->activateWindow();
                    if (!url.isEmpty()) {
                        openURL(url);
                    }
                });
    }
    return singleInstance_->isListening() || singleInstance_->listen();
}

void Questlog3AppDelegate::openURL(const QString& url) {
    if (!startedUp_ || installing_) {
        pendingURLs_.append(url);
        return;
    }
    handleOpenURL(url);
}

bool Questlog3AppDelegate::handleOpenURL(const QString& url) {
    if (url.isEmpty()) {
        return false;
    }
    const WishLink link = WishLink::fromURLString(url);
    _idCriticonFromURL = link.idCriticon;
    if (link.offersWish()) {
        auto* sheet =
            new ActionSheet(link.title, u"Cancel"_s, u"Add to Wish List"_s, {}, window_.get());
        connect(sheet, &ActionSheet::clickedButtonAtIndex, this,
                [this, id = link.idCriticon](int, const QString& buttonTitle) {
                    actionSheetClickedButton(buttonTitle, id);
                });
        sheet->showInView(navigationController_->topViewController());
    }
    return true;
}

void Questlog3AppDelegate::actionSheetClickedButton(const QString& buttonTitle,
                                                    const QString& idCriticon) {
    if (!buttonTitle.toUpper().contains(u"ADD"_s) || !updateController_) {
        return;
    }
    Game* game = updateController_->getGameFromEntityWithCriticonID(idCriticon);
    if (game == nullptr) {
        return;
    }
    game->setMyIsWished(1);
    // Saved at once: the user's choice must not wait for a later save that a crash would skip.
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAME_WISH_CHANGED"_s);
    saveData();
    NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_SHOW_GAME_DETAILS"_s,
                                                              QVariant::fromValue(game));
}

void Questlog3AppDelegate::checkConnectivity() {
    const bool connected = OrvConnection::isConnectedToNetwork();
    if (!connected) {
        auto* alert = new AlertView(
            u"Network unavailable"_s,
            u"You appear to not be connected to a network. Some resources may be unavailable."_s,
            u"OK"_s, window_.get());
        alert->show();
    }
    Q_EMIT connectivityChecked(connected);
}

void Questlog3AppDelegate::showInstallingOverlay() {
    Console::log(u"showing install..."_s);
    installing_ = true;
    auto* screen = new DataInstallationScreen();
    // Shown whole at once: the install starts a tenth of a second later and holds the main
    // thread, so a fade would stop at a fifth of its opacity for the whole install.
    if (!navigationController_->presentModalViewController(screen, false)) {
        delete screen;  // one is on screen already
        return;
    }
    installScreen_ = screen;
}

void Questlog3AppDelegate::hideInstallingOverlay() {
    Console::log(u"hiding install..."_s);
    installing_ = false;
    if (startedUp_) {
        startUpSettled();
    }
    Animator::after(kRemoveInstallModalDelayMs, this, [this] { removeInstallModal(); });
}

// Only the install screen is taken away: a screen presented since (a mail being written) stays.
void Questlog3AppDelegate::removeInstallModal() {
    if (installScreen_ && navigationController_->modalViewController() == installScreen_) {
        navigationController_->dismissModalViewControllerAnimated(true);
    }
    Animator::after(kKillInstallModalDelayMs, this, [this] { killInstallModal(); });
}

void Questlog3AppDelegate::killInstallModal() {
    if (installScreen_ && navigationController_->modalViewController() == installScreen_) {
        navigationController_->dismissModalViewControllerAnimated(false);
    }
}

void Questlog3AppDelegate::saveData() {
    if (!managedObjectContext_ || !managedObjectContext_->hasChanges()) {
        return;
    }
    StoreError error;
    if (!managedObjectContext_->save(&error)) {
        Console::log(u"App del (saveData): will term: Unresolved error %@, %@"_s, error,
                     error.userInfo);
    }
}

void Questlog3AppDelegate::applicationWillTerminate() {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    UserDefaults::standardUserDefaults()->synchronize();
    if (!managedObjectContext_ || !managedObjectContext_->hasChanges()) {
        return;
    }
    StoreError error;
    if (!managedObjectContext_->save(&error)) {
        Console::log(u"App del: will term: Unresolved error %@, %@"_s, error, error.userInfo);
    }
}
