#include "RootViewController.h"

#include <QListView>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

#include "FetchedResultsController.h"
#include "Game.h"
#include "MyLog.h"
#include "NotificationCenter.h"
#include "StoreError.h"

using namespace Qt::Literals::StringLiterals;

RootViewController::RootViewController(QWidget* parent)
    : QWidget(parent), list_(new QListView(this)), titles_(new QStringListModel(this)) {
    list_->setModel(titles_);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);

    for (const QString& name : {u"NOTIF_GAMES_UPDATED"_s, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s}) {
        NotificationCenter::defaultCenter()->addObserver(
            this, name, [this](const Notification&) { redrawAndExecute(); });
    }
}

RootViewController::~RootViewController() {
    NotificationCenter::defaultCenter()->removeObserver(this);
}

void RootViewController::setManagedObjectContext(ManagedObjectContext* context) {
    managedObjectContext_ = context;
    requestMaker_ =
        PullFetchedRequestPullFetchedRequestMaker::makerWithContext(context, managedObjectModel_);
}

void RootViewController::setManagedObjectModel(ManagedObjectModel* model) {
    managedObjectModel_ = model;
}

void RootViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        redrawAndExecute();
    }
}

void RootViewController::redrawAndExecute() {
    update();
    QTimer::singleShot(kFetchDelayMilliseconds, Qt::PreciseTimer, this,
                       &RootViewController::executeFetch);
}

void RootViewController::executeFetch() {
    if (!requestMaker_ || !managedObjectContext_) {
        return;
    }
    FetchedResultsController results(requestMaker_->getFetchRequest(), managedObjectContext_,
                                     QString(), u"Root"_s);
    StoreError error;
    if (!results.performFetch(&error)) {
        MYLOG(u"Unresolved error %@, %@"_s, error, error.userInfo);
        titles_->setStringList({});
        Q_EMIT fetched(0);
        return;
    }
    QStringList titles;
    titles.reserve(results.numberOfObjects());
    for (const Game* game : results.fetchedObjects()) {
        titles.append(game->title());
    }
    titles_->setStringList(titles);
    Q_EMIT fetched(int(titles.size()));
}

QStringList RootViewController::titles() const {
    return titles_->stringList();
}
