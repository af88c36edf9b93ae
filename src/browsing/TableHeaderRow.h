#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <memory>

class SectionTotal;
namespace Ui {
class TableHeaderRow;
}

// The header of one section of the game list, laid out by its interface file: the section's
// label on the left and its number of games on the right, 26 points high. Main thread only;
// owned by its parent widget.
class TableHeaderRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 26;

    explicit TableHeaderRow(QWidget* parent = nullptr);
    ~TableHeaderRow() override;

    // "%d games", the same wording for one game.
    static QString countText(int count);
    // Shows the section's label and its count.
    void showSection(const SectionTotal& section);

    QLabel* label() const { return label_; }
    void setLabel(QLabel* label) { label_ = label; }
    QLabel* count() const { return count_; }
    void setCount(QLabel* count) { count_ = count; }

private:
    std::unique_ptr<Ui::TableHeaderRow> ui_;
    QPointer<QLabel> label_;
    QPointer<QLabel> count_;
};
