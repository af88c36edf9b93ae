#pragma once

class QGraphicsOpacityEffect;
class QWidget;

// A widget's alpha (0.0 transparent ... 1.0 opaque), as every screen reads and sets it. Qt
// widgets have no opacity of their own; the alpha lives in a QGraphicsOpacityEffect that is
// added on the first change, so a widget never given an alpha costs nothing. Alpha and the
// hidden flag are independent, as on the handset: a widget at alpha 0 is still "shown".
// Main thread only.
class ViewAlpha {
public:
    // 1.0 for a widget without an alpha of its own, and for a null widget.
    static float alpha(const QWidget* view);
    // Clamped to 0.0 ... 1.0. Nothing for a null widget.
    static void setAlpha(QWidget* view, float alpha);
    // The effect that holds the widget's alpha, made on first use (for animating it).
    static QGraphicsOpacityEffect* effect(QWidget* view);
};
