#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "PullFetchedRequestPullFetchedRequestMaker.h"

class ManagedObjectContext;
class ManagedObjectModel;
class QListView;
class QStringListModel;

// The game list screen: the root of the navigation stack. Shows the catalogue's titles in the
// query builder's default order (newest release first), fetched 0.1 s after the screen is
// first drawn and again whenever the catalogue changes. Borrows the store context and model,
// which must be set before the screen is shown. Main thread only.
class RootViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFetchDelayMilliseconds = 100;

    explicit RootViewController(QWidget* parent = nullptr);
    ~RootViewController() override;

    void setManagedObjectContext(ManagedObjectContext* context);
    void setManagedObjectModel(ManagedObjectModel* model);
    ManagedObjectContext* managedObjectContext() const { return managedObjectContext_; }
    ManagedObjectModel* managedObjectModel() const { return managedObjectModel_; }

    // Redraws at once and runs the query 0.1 s later, so the screen never waits on the store.
    void redrawAndExecute();
    // The titles on screen, in order.
    QStringList titles() const;

Q_SIGNALS:
    void fetched(int count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void executeFetch();

    ManagedObjectContext* managedObjectContext_ = nullptr;
    ManagedObjectModel* managedObjectModel_ = nullptr;
    std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker> requestMaker_;
    QListView* list_;
    QStringListModel* titles_;
    bool loaded_ = false;
};
