#pragma once

#include <QFont>
#include <QLabel>
#include <QString>
#include <memory>

#include "RelatedContent.h"
#include "TableViewCell.h"

namespace Ui {
class DetailOtherCell;
}

// One related article in the detail screen's list, laid out by its interface file: type, date,
// title and blurb. The title label grows to the height its text needs and the blurb stays
// below it; the screen sizes the row with the same measure (titleHeight). Texts show as plain
// text. Main thread only.
class DetailOtherCell : public TableViewCell {
    Q_OBJECT

public:
    static inline const QString kReuseIdentifier = QStringLiteral("DetailOtherCell");
    // The most a title may grow to.
    static constexpr int kMaxTitleHeight = 1000;

    explicit DetailOtherCell(QWidget* parent = nullptr);
    ~DetailOtherCell() override;

    // Shows the article (null shows an empty row) and keeps it.
    void setContent(const std::shared_ptr<RelatedContent>& content);
    const std::shared_ptr<RelatedContent>& content() const { return content_; }

    // The height the text needs in the font, wrapped at word boundaries within the width.
    static int titleHeight(const QString& text, const QFont& font, int width);

    static QString getFormattedDateStringFromTS(const QString& text);
    static QString getShortDateDisplayFromYMD(const QString& ymd);

    QLabel* title() const;
    QLabel* blurb() const;
    QLabel* typeDisplay() const;
    QLabel* date() const;

private:
    std::unique_ptr<Ui::DetailOtherCell> ui_;
    std::shared_ptr<RelatedContent> content_;
    // The blurb's distance below the title's bottom, as laid out.
    int blurbGap_ = 0;
};
