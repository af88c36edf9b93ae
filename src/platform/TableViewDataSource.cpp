#include "TableViewDataSource.h"

TableViewDataSource::~TableViewDataSource() = default;

int TableViewDataSource::numberOfSectionsInTableView(TableView*) {
    return 1;
}

QString TableViewDataSource::titleForHeaderInSection(TableView*, int) {
    return {};
}
