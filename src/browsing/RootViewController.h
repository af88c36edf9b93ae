#pragma once

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "ExploreDragViewDelegate.h"
#include "IndexPath.h"
#include "SectionTotal.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"

class Button;
class ExploreDragView;
class ExploreESRBDragView;
class ExploreGenreDragView;
class ExploreScoreDragView;
class FetchedResultsController;
class Game;
class ImageView;
class ManagedObjectContext;
class ManagedObjectModel;
class Notification;
class PullFetchedRequestPullFetchedRequestMaker;
class QLabel;
class QLineEdit;
class Sectioner;
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
// Laid out by its interface file. The view loads (viewDidLoad) when the screen is first shown
// or when loadViewIfNeeded is called; the store context and model must be set before. The
// context must outlive the screen. Main thread only.
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
    static inline const QString kCacheName = QStringLiteral("Root");
    static inline const QString kTitle = QStringLiteral("Games");
    static inline const QString kDefaultSortType = QStringLiteral("DEFAULT_SORT_TYPE");
    static inline const QString kDefaultTab = QStringLiteral("DEFAULT_TAB");
    static inline const QString kDefaultMyFilter = QStringLiteral("DEFAULT_MY_FILTER");

    enum ViewType { kViewAll = 0, kViewMy = 1, kViewExplore = 2 };

    explicit RootViewController(QWidget* parent = nullptr);
    ~RootViewController() override;

    ManagedObjectContext* managedObjectContext() const { return managedObjectContext_; }
    void setManagedObjectContext(ManagedObjectContext* context) { managedObjectContext_ = context; }
    ManagedObjectModel* managedObjectModel() const { return managedObjectModel_; }
    void setManagedObjectModel(ManagedObjectModel* model) { managedObjectModel_ = model; }

    // Runs viewDidLoad once. Called on the first show.
    void loadViewIfNeeded();
    bool isViewLoaded() const { return viewLoaded_; }
    void viewDidLoad();
    void viewWillAppear(bool animated);

    // The refetch: redraw now, fetch after kFetchDelayMsecs.
    void redrawAndExecute();
    void redrawAndExecuteAndScrollTo(std::optional<IndexPath> indexPath);
    void executeFetch(std::optional<IndexPath> indexPath);
    void getNewFetchedResultsController();
    void redrawTabs();
    void setFilterButtonTitles();
    void drawStatusMessage();
    void showExplorePanel();
    void hideExplorePanel();
    void hideExplorePanelCompleted();
    void resetExploreFilters();
    // The row to scroll to for p: clamped to the last existing row; row 0 of section 0 for
    // none (or when there are no rows at all).
    IndexPath getValidIndexPath(std::optional<IndexPath> indexPath) const;
    std::optional<IndexPath> getCurrentIndexPath() const;
    void showDetailsWithGame(Game* game);
    void logDefaults() const;

    void saveListDefaults();
    void saveMyTabFilterDefaults();
    void loadListDefaults();
    void loadMyTabFilterDefaults();

    // The game at a row; null for a row outside the current result.
    Game* getGameWithSectionedIndexPath(const IndexPath& indexPath) const;
    // The row's place in the flat result; -1 for a row outside it.
    int getObjectRowNumberFromIndexPath(const IndexPath& indexPath) const;

    // Actions of the controls. The sender is the pressed control.
    void viewTypeTabPressed(QObject* sender);
    void filterButtonPressed(QObject* sender);
    void sortByScore(QObject* sender);
    void sortByDate(QObject* sender);
    void exploreShowHideButtonPressed();
    void showOptionsActionSheet();
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

    // State, for the application and its tests.
    int currentViewType() const { return currentViewType_; }
    bool exploreDataDirty() const { return exploreDataDirty_; }
    PullFetchedRequestPullFetchedRequestMaker* requestMaker() const { return requestMaker_.get(); }
    Sectioner* sectioner() const { return sectioner_.get(); }
    const QList<SectionTotal>& sectionArray() const;
    FetchedResultsController* fetchedResultsController() const {
        return fetchedResultsController_.get();
    }
    // Fetches started by a refetch and not yet run.
    int pendingFetches() const { return pendingFetches_; }

    // The controls of the interface file.
    TableView* tableView() const;
    QLabel* statusLeft() const;
    QLabel* statusRight() const;
    Button* allTab() const;
    Button* myTab() const;
    Button* exploreTab() const;
    Button* dateFilter() const;
    Button* scoreFilter() const;
    Button* dateFilterExplore() const;
    Button* scoreFilterExplore() const;
    Button* wishFilter() const;
    Button* ratedFilter() const;
    Button* playedFilter() const;
    Button* iconGear() const;
    ImageView* workingOverlay() const;
    QWidget* filterButtonView() const;
    QWidget* exploreSliderOverlay() const;
    QWidget* exploreAnimatorView() const;
    QWidget* exploreExtraThumbOverlayView() const;
    QLineEdit* searchField() const;
    Button* exploreFilterButtonScore() const;
    Button* exploreFilterButtonESRB() const;
    Button* exploreFilterButtonGenre() const;
    ExploreScoreDragView* exploreScoreDragView() const;
    ExploreESRBDragView* exploreESRBDragView() const;
    ExploreGenreDragView* exploreGenreDragView() const;

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
    // Reloads the table; header views built for the old rows go with it.
    void reloadTable();
    bool isExplorePanelOpen() const;
    // Each explore choice button with the control whose choice it shows.
    std::array<std::pair<Button*, ExploreDragView*>, 3> exploreChoices() const;

    std::unique_ptr<Ui::RootViewController> ui_;
    ManagedObjectContext* managedObjectContext_ = nullptr;
    ManagedObjectModel* managedObjectModel_ = nullptr;
    std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker> requestMaker_;
    std::unique_ptr<Sectioner> sectioner_;
    std::shared_ptr<QList<SectionTotal>> sectionArray_;
    // Where each section starts in the flat result, with the total at the end.
    std::vector<int> sectionStarts_;
    QMap<int, QPointer<TableHeaderRow>> sectionHeaderViews_;
    std::unique_ptr<FetchedResultsController> fetchedResultsController_;
    int currentViewType_ = kViewAll;
    bool exploreDataDirty_ = false;
    bool viewLoaded_ = false;
    int pendingFetches_ = 0;
};
