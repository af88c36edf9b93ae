#pragma once

#include <optional>

#include "IndexPath.h"

class QWidget;
class TableView;

// What a TableView tells (and optionally asks) the object that reacts to its rows. Held without
// ownership, as the data source is. GUI thread only.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate();

    // The header of a section, asked once per section after each reloadData, when the section
    // first comes into view. The table takes ownership: the view is kept (hidden while out of
    // view) until the next reloadData, which deletes it later. Null (the default) falls back to
    // a plain label with the data source's title.
    virtual QWidget* viewForHeaderInSection(TableView* tableView, int section);
    // A section's header height, asked for every section by reloadData. Nothing (the default)
    // takes the table's sectionHeaderHeight; a negative answer counts as 0.
    virtual std::optional<int> heightForHeaderInSection(TableView* tableView, int section);
    // A row's height, asked for every row by reloadData when a delegate is set. Nothing (the
    // default) takes the table's rowHeight; answers below 1 count as 1.
    virtual std::optional<int> heightForRowAtIndexPath(TableView* tableView,
                                                       const IndexPath& indexPath);
    // A click (press and release without dragging) or Enter on a row. The row is selected
    // when this is called.
    virtual void didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath);
};
