#pragma once

#include <QString>

#include "IndexPath.h"

class TableView;
class TableViewCell;

// What a TableView asks of the owner of its rows. The table holds it without owning it; it
// must outlive the table or be unset first. Asked on the GUI thread only, from reloadData (the
// counts and titles) and while laying out (cells, for the rows coming into view).
class TableViewDataSource {
public:
    virtual ~TableViewDataSource();

    // 1 unless overridden. A negative answer counts as 0.
    virtual int numberOfSectionsInTableView(TableView* tableView);
    // A negative answer counts as 0.
    virtual int numberOfRowsInSection(TableView* tableView, int section) = 0;
    // The cell to show at the row, preferably taken from
    // tableView->dequeueReusableCellWithIdentifier. The table takes ownership. A null answer
    // leaves the row empty (and is logged).
    virtual TableViewCell* cellForRowAtIndexPath(TableView* tableView,
                                                 const IndexPath& indexPath) = 0;
    // The text of the plain header label, when the delegate gives no header view. Null (the
    // default) shows no label.
    virtual QString titleForHeaderInSection(TableView* tableView, int section);
};
