#include "TableViewDelegate.h"

TableViewDelegate::~TableViewDelegate() = default;

QWidget* TableViewDelegate::viewForHeaderInSection(TableView*, int) {
    return nullptr;
}

std::optional<int> TableViewDelegate::heightForHeaderInSection(TableView*, int) {
    return std::nullopt;
}

std::optional<int> TableViewDelegate::heightForRowAtIndexPath(TableView*, const IndexPath&) {
    return std::nullopt;
}

void TableViewDelegate::didSelectRowAtIndexPath(TableView*, const IndexPath&) {}
