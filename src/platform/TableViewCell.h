#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPropertyAnimation;

// One row of a TableView, meant to be subclassed. Cells are reused: when a row leaves the view
// its cell goes back to the table's pool under its reuse identifier, and a data source takes it
// out again (dequeueReusableCellWithIdentifier) for another row, after prepareForReuse. A
// selected cell is drawn with a highlight under its children; deselecting may fade it out.
// GUI thread only.
class TableViewCell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal selectionAlpha READ selectionAlpha WRITE setSelectionAlpha)

public:
    static constexpr int kDeselectMilliseconds = 300;

    explicit TableViewCell(const QString& reuseIdentifier, QWidget* parent = nullptr);
    ~TableViewCell() override;

    QString reuseIdentifier() const { return reuseIdentifier_; }

    // Called by the table just before it hands the cell out again. Subclasses drop what
    // belongs to the previous row here (and call this one). Clears the selection at once.
    virtual void prepareForReuse();

    bool isSelected() const { return selected_; }
    // Selecting shows the highlight at once; deselecting animated fades it out.
    void setSelected(bool selected, bool animated);

    // Painted behind everything; the palette's base colour until set.
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);

    // 0 (no highlight) ... 1 (full highlight); what the deselect animation moves.
    qreal selectionAlpha() const { return selectionAlpha_; }
    void setSelectionAlpha(qreal alpha);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString reuseIdentifier_;
    bool selected_ = false;
    qreal selectionAlpha_ = 0.0;
    QColor backgroundColor_;
    QPointer<QPropertyAnimation> animation_;
};
