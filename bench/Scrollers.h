#pragma once

// What the scrolling benchmarks share: a scrolled view moved one wheel notch at a time, with or
// without painting, and the baseline every one of them is held to, a QListView of plain titles
// rows 95 high.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QScrollBar>
#include <QStringListModel>

namespace bench {

// One wheel notch over rows of 95.
constexpr int kScrollStep = 93;

// The scrolled view, its scroll bar and a way to go one step down (wrapping at the end).
struct Scroller {
    virtual ~Scroller() = default;
    virtual QWidget* viewport() = 0;
    virtual QScrollBar* bar() = 0;
    virtual void scrollTo(int y) = 0;
    bool step() {
        const int next = bar()->value() + kScrollStep;
        scrollTo(next > bar()->maximum() ? 0 : next);
        return true;
    }
    // A step and the painting of what it shows: the whole of a frame's work.
    bool frame() {
        step();
        viewport()->render(&image);
        return true;
    }
    QImage image{320, 480, QImage::Format_ARGB32_Premultiplied};
};

struct ListScroller : Scroller {
    ListScroller(const QStringList& titles, int height) : height_(height) {
        model.setStringList(titles);
        list.setUniformItemSizes(true);
        list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        list.setModel(&model);
        list.setStyleSheet(QStringLiteral("QListView::item { height: 95px; }"));
        list.resize(320, height);
        list.show();
        list.doItemsLayout();
        QApplication::processEvents();
    }
    QWidget* viewport() override { return list.viewport(); }
    QScrollBar* bar() override { return list.verticalScrollBar(); }
    void scrollTo(int y) override {
        list.verticalScrollBar()->setValue(y);
        // The list lays out lazily; ask for what is in view as a paint would.
        benchmark::DoNotOptimize(list.indexAt(QPoint(1, 1)));
        benchmark::DoNotOptimize(list.indexAt(QPoint(1, height_ - 1)));
    }
    QStringListModel model;
    QListView list;

private:
    int height_;
};

}  // namespace bench
