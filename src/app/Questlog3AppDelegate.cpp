#include "Questlog3AppDelegate.h"

#include <QVBoxLayout>

#include "ActionSheet.h"
#include "AlertView.h"
#include "Animator.h"
#include "Console.h"
#include "DataInstallationScreen.h"
#include "FileFunctions.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "Model.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "OrvConnection.h"
#include "PersistentStoreCoordinator.h"
#include "RootViewController.h"
#include "StoreError.h"
#include "UpdateController.h"
#include "UserDefaults.h"
#include "WishLink.h"

using namespace Qt::Literals::StringLiterals;

namespace {

void post(const QString& name, const QVariant& object = {}) {
    NotificationCenter::defaultCenter()->postNotificationName(name, object);
}

}  // namespace

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
        const QString path =
            applicationDocumentsDirectory() + u'/' + QString::fromLatin1(kStoreFileName);
        StoreError error;
        if (!persistentStoreCoordinator_->addPersistentStoreWithType(path, &error)) {
            // The program goes on: fetches and saves report their own failures.
            Console::log(u"App del: persistentStoreCoordinator: Unresolved error %@, %@"_s, error,
                         error.userInfo);
        }
    }
    return persistentStoreCoordinator_.get();
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
    // The mail composers answer these two once sharing by e-mail is in place.
    center->addObserver(this, u"NOTIF_SEND_FEEDBACK_EMAIL"_s, [](const Notification&) {});
    center->addObserver(this, u"NOTIF_SEND_GAME_DETAILS_EMAIL"_s, [](const Notification&) {});
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
    if (!pendingGameId_.isNull() && updateController_) {
        const QString id = std::exchange(pendingGameId_, QString());
        if (Game* game = updateController_->getGameFromEntityWithCriticonID(id)) {
            post(u"NOTIF_SHOW_GAME_DETAILS"_s, QVariant::fromValue(game));
        } else {
            Console::log(u"No game with the id %@ to show"_s, id);
        }
    }
    for (const QString& url : std::exchange(pendingURLs_, {})) {
        handleOpenURL(url);
    }
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
    post(u"NOTIF_GAME_WISH_CHANGED"_s);
    saveData();
    post(u"NOTIF_SHOW_GAME_DETAILS"_s, QVariant::fromValue(game));
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
