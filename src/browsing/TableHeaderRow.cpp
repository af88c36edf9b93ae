#include "TableHeaderRow.h"

#include <QLabel>

#include "Format.h"
#include "SectionTotal.h"
#include "ui_TableHeaderRow.h"

using namespace Qt::Literals::StringLiterals;

TableHeaderRow::TableHeaderRow(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TableHeaderRow>()) {
    ui_->setupUi(this);
    // A QWidget subclass paints its style-sheet background only when asked to.
    setAttribute(Qt::WA_StyledBackground);
    label_ = ui_->label;
    count_ = ui_->count;
}

TableHeaderRow::~TableHeaderRow() = default;

QString TableHeaderRow::countText(int count) {
    return Format::format(u"%d games"_s, count);
}

void TableHeaderRow::showSection(const SectionTotal& section) {
    if (label_) {
        label_->setText(section.getLabel());
    }
    if (count_) {
        count_->setText(countText(section.count()));
    }
}
