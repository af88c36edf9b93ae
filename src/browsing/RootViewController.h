#pragma once

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "ExploreDragViewDelegate.h"
#include "GameListModel.h"
#include "IndexPath.h"
#include "SectionTotal.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

class Button;
class ExploreDragView;
class Game;
class ManagedObjectContext;
class ManagedObjectModel;
class Notification;
class QLineEdit;
class TableHeaderRow;
class TableView;
namespace Ui {
class RootViewController;
}

// The game list, the first screen: the catalogue in sections under three tabs (All, My,
// Explore), sorted by release date or score, narrowed on the My tab to one of the user's lists
// and on the Explore tab by three drag controls and a search. Every change of tab, filter,
// sort, search or explore choice, every catalogue update and every change on the detail
// screen that alters the list refetches in two steps: the controls and layout at once, the
// query, sectioning and scroll 0.1 s later. Tab, sort and My-tab choices are kept in the user
// defaults across restarts.
//
// The choices, the result and its sections live in a GameListModel (model()); this screen
// binds the controls of its interface file to it and forwards presses. Outside the screen the
// controls are found by their object names. Laid out by its interface file. The view loads
// (viewDidLoad) when the screen is first shown or when loadViewIfNeeded is called; the store
// context and model must be set before. The context must outlive the screen. Main thread only.
class RootViewController : public QWidget,
                           public TableViewDataSource,
                           public TableViewDelegate,
                           public ExploreDragViewDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 95;
    static constexpr int kFetchDelayMsecs = 100;
    static constexpr int kHidePanelDelayMsecs = 200;
    static constexpr float kLayoutSeconds = 0.2f;
    static constexpr float kOverlayFadeSeconds = 0.2f;
    static constexpr float kShowPanelSeconds = 0.4f;
    static constexpr float kHidePanelMoveSeconds = 0.2f;
    static constexpr float kHidePanelFadeSeconds = 0.4f;
    static constexpr int kTableHeightAllTab = 370;
    static constexpr int kTableHeightOtherTabs = 333;
    static constexpr int kFilterBarYAllTab = -4;
    static constexpr int kFilterBarYOtherTabs = 33;
    static constexpr int kTableYAllTab = 72;
    static constexpr int kTableYOtherTabs = 109;
    static constexpr int kPanelHiddenY = -215;
    static inline const QString kTitle = QStringLiteral("Games");

    explicit RootViewController(QWidget* parent = nullptr);
    ~RootViewController() override;

    ManagedObjectContext* managedObjectContext() const { return managedObjectContext_; }
    void setManagedObjectContext(ManagedObjectContext* context) { managedObjectContext_ = context; }
    ManagedObjectModel* managedObjectModel() const { return managedObjectModel_; }
    void setManagedObjectModel(ManagedObjectModel* model) { managedObjectModel_ = model; }

    // The list's state; null until the view has loaded.
    GameListModel* model() const { return model_.get(); }

    // Runs viewDidLoad once. Called on the first show.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return viewLoaded_; }
    void viewDidLoad();
    void viewWillAppear(bool animated);

    // The refetch: redraw now, fetch after kFetchDelayMsecs.
    void redrawAndExecute();
    void redrawAndExecuteAndScrollTo(std::optional<IndexPath> indexPath);
    void executeFetch(std::optional<IndexPath> indexPath);
    void redrawTabs();
    void setFilterButtonTitles();
    void drawStatusMessage();
    void showExplorePanel();
    void hideExplorePanel();
    void hideExplorePanelCompleted();
    void resetExploreFilters();
    // Ctrl+F: the search field, on the Explore tab with its panel open, its text selected.
    void focusSearchField();
    std::optional<IndexPath> getCurrentIndexPath() const;
    void showDetailsWithGame(Game* game);
    // Fetches started by a refetch and not yet run.
    int pendingFetches() const { return pendingFetches_; }

    // Actions of the controls. The sender is the pressed control.
    void viewTypeTabPressed(QObject* sender);
    void filterButtonPressed(QObject* sender);
    void sortByScore(QObject* sender);
    void sortByDate(QObject* sender);
    void exploreShowHideButtonPressed();
    // The options sheet: feedback, then the user's lists to a file and back.
    void showOptionsActionSheet();
    static inline const QString kExportTitle = QStringLiteral("Export my lists…");
    static inline const QString kImportTitle = QStringLiteral("Import my lists…");
    bool textFieldShouldReturn(QLineEdit* textField);
    void searchValueChanged(QObject* sender);
    // The options sheet's answer.
    void actionSheetClickedButton(const QString& buttonTitle);

    // Notification handlers.
    void gameUpdateComplete();
    void gameWishChanged();
    void gameRatingChanged();
    void gamePlayedChanged();
    void showGameDetailsHandler(const Notification& notification);

    // TableViewDataSource
    int numberOfSectionsInTableView(TableView* tableView) override;
    int numberOfRowsInSection(TableView* tableView, int section) override;
    TableViewCell* cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) override;
    QString titleForHeaderInSection(TableView* tableView, int section) override;
    // TableViewDelegate
    QWidget* viewForHeaderInSection(TableView* tableView, int section) override;
    std::optional<int> heightForHeaderInSection(TableView* tableView, int section) override;
    std::optional<int> heightForRowAtIndexPath(TableView* tableView,
                                               const IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) override;
    // ExploreDragViewDelegate
    void exploreDragViewStartedDragging(ExploreDragView* view) override;
    void exploreDragViewValueChanged(ExploreDragView* view) override;
    void exploreDragViewEndedDragging(ExploreDragView* view) override;

Q_SIGNALS:
    // After each fetch, with the number of games listed.
    void fetched(int count);

protected:
    void showEvent(QShowEvent* event) override;
    // Escape closes the explore panel, as it closes panels elsewhere on the desktop.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addListeners();
    void connectControls();
    // The keys of the screen: the shortcuts and the Tab order.
    void addShortcuts();
    // Reloads the table; header views built for the old rows go with it.
    void reloadTable();
    bool isExplorePanelOpen() const;
    // Refetches keeping the row in view, when the change alters the list.
    void detailChanged(GameListModel::DetailChange change);
    // Each explore choice button with the control whose choice it shows, in the model's
    // control order.
    std::array<std::pair<Button*, ExploreDragView*>, 3> exploreChoices() const;
    const QList<SectionTotal>& sections() const;

    std::unique_ptr<Ui::RootViewController> ui_;
    ManagedObjectContext* managedObjectContext_ = nullptr;
    ManagedObjectModel* managedObjectModel_ = nullptr;
    std::unique_ptr<GameListModel> model_;
    QMap<int, QPointer<TableHeaderRow>> sectionHeaderViews_;
    bool viewLoaded_ = false;
    int pendingFetches_ = 0;
};
