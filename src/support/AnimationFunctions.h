#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>

class QWidget;

// Fades, slides, hit tests and snapshots for the screens. Every animation runs over the given
// seconds through Animator, on its ease-in-ease-out curve; position (the widget's origin in its
// parent) and alpha (ViewAlpha) move together. Start values are applied at once, before anything
// animates, so a caller that reads them right after the call sees them. A new animation of a
// widget's position or alpha stops the one under way for that property, as a new handset animation
// block takes over from the running one. Main thread only.
class AnimationFunctions {
public:
    // Alpha to `fromAlphaValue` at once, shown if hidden, then animated to `toAlphaValue`.
    static void fadeView(QWidget* view, float fromAlphaValue, float toAlphaValue, float duration);
    // From the current alpha.
    static void fadeView(QWidget* view, float toAlphaValue, float duration);
    // From 0.0 to 1.0 unless the alpha is exactly 1.0 already, which only shows a hidden view.
    static void fadeInView(QWidget* view, float duration);
    // From 1.0 to 0.0 unless the alpha is exactly 0.0 already; the view stays shown.
    static void fadeOutView(QWidget* view, float duration);

    // Origin and alpha to their start values at once, then both animated together; the size
    // is kept.
    static void moveView(QWidget* view, QPointF fromPoint, QPointF toPoint, float duration,
                         float fromAlphaValue, float toAlphaValue);
    // With the current alpha throughout.
    static void moveView(QWidget* view, QPointF fromPoint, QPointF toPoint, float duration);
    // From the current origin; nothing at all when the view is already there and not moving.
    static void moveView(QWidget* view, QPointF toPoint, float duration);

    // Edges included; false when any coordinate is not a number.
    static bool isPoint(QPointF point, QRectF withinRect);

    // The view and its children drawn into an image of the view's size.
    static QImage imageFromView(QWidget* view);
    // The image with a mid-grey (0.53) line of `borderWidth` stroked along its edge; half the
    // line falls outside and is cut off. The grey is fixed whatever `borderColor` says, as the
    // snapshots that go out by e-mail have always looked.
    static QImage borderImage(const QImage& image, const QColor& borderColor, int borderWidth);
    // The image's shape filled with `color`, then the image drawn over it with `blendMode`
    // (Core Graphics' numbering: 0 normal, 1 multiply, 2 screen, 3 overlay, 4 darken,
    // 5 lighten, 6 colour dodge, 7 colour burn, 8 soft light, 9 hard light, 10 difference,
    // 11 exclusion, 16 clear, 17 copy, 18 source in, 19 source out, 20 source atop,
    // 21 destination over, 22 destination in, 23 destination out, 24 destination atop,
    // 25 xor, 27 plus lighter; the others draw normally).
    static QImage colorizeImage(const QImage& image, const QColor& color, int blendMode);
};
