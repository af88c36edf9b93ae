#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QString>

// A button in the handset's manner: a picture and a title for each state, normal, selected
// and highlighted (held down), the title drawn centred over the picture. "Selected" is the
// checked state, and a click never changes it: the screen that owns the button decides, so a
// press on the selected tab leaves it selected. A state without a picture or title of its own
// falls back: highlighted to selected, selected to normal. The interface files name the
// pictures; titles and colours may come from either. GUI thread only.
class Button : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QString normalImage READ normalImage WRITE setNormalImage)
    Q_PROPERTY(QString selectedImage READ selectedImage WRITE setSelectedImage)
    Q_PROPERTY(QString highlightedImage READ highlightedImage WRITE setHighlightedImage)
    Q_PROPERTY(QColor titleColor READ titleColor WRITE setTitleColor)
    Q_PROPERTY(QColor selectedTitleColor READ selectedTitleColor WRITE setSelectedTitleColor)
    Q_PROPERTY(bool adjustsImageWhenDisabled READ adjustsImageWhenDisabled WRITE
                   setAdjustsImageWhenDisabled)

public:
    enum class State { Normal, Selected, Highlighted };

    explicit Button(QWidget* parent = nullptr);
    ~Button() override;

    bool isSelected() const { return isChecked(); }
    void setSelected(bool selected) { setChecked(selected); }
    // The state drawn now: highlighted while held down, else selected or normal.
    State state() const;

    // By bundle image name (BundleImage::imageNamed).
    void setImage(const QString& imageName, State state);
    QPixmap imageForState(State state) const;
    // The picture drawn in that state, after the fallbacks.
    QPixmap currentImage() const;
    // A null title falls back as pictures do; the normal title is the button's text.
    void setTitle(const QString& title, State state);
    QString titleForState(State state) const;
    // The title drawn now, after the fallbacks.
    QString currentTitle() const;

    QString normalImage() const { return imageNames_[0]; }
    void setNormalImage(const QString& name) { setImage(name, State::Normal); }
    QString selectedImage() const { return imageNames_[1]; }
    void setSelectedImage(const QString& name) { setImage(name, State::Selected); }
    QString highlightedImage() const { return imageNames_[2]; }
    void setHighlightedImage(const QString& name) { setImage(name, State::Highlighted); }
    QColor titleColor() const { return titleColor_; }
    void setTitleColor(const QColor& color);
    // The title's colour while selected (and held down); invalid falls back to titleColor.
    QColor selectedTitleColor() const { return selectedTitleColor_; }
    void setSelectedTitleColor(const QColor& color);
    // Whether a disabled button draws itself dimmed (the default). Screens that dim a disabled
    // button through its alpha turn it off, so it is not dimmed twice.
    bool adjustsImageWhenDisabled() const { return adjustsImageWhenDisabled_; }
    void setAdjustsImageWhenDisabled(bool adjusts);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Leaves the selection alone: only setSelected changes it.
    void nextCheckState() override;

private:
    template <typename T>
    static const T& fallBack(const T (&values)[3], State state);

    QString imageNames_[3];
    QPixmap images_[3];
    QString titles_[3];
    QColor titleColor_;
    QColor selectedTitleColor_;
    bool adjustsImageWhenDisabled_ = true;
};
