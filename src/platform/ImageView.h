#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

// A picture from the bundle stretched over the view, in the manner of the handset's image
// view: it takes no clicks (they reach whatever lies under it), so pictures can sit over
// controls, and its alpha is set through ViewAlpha like any view's. The interface files name
// the picture (imageName); code may hand in one of its own. GUI thread only.
class ImageView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)

public:
    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    QString imageName() const { return imageName_; }
    // Loads the picture with BundleImage::imageNamed.
    void setImageName(const QString& imageName);
    QPixmap image() const { return image_; }
    void setImage(const QPixmap& image);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString imageName_;
    QPixmap image_;
};
