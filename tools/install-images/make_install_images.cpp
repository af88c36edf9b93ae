// Draws the install pictures resources/images/install_<code>.png (320 x 480) from each build's
// information file: the build's display name and "Installing games..." on a plain background.
//
//   g++ -std=c++20 -fPIC make_install_images.cpp $(pkg-config --cflags --libs Qt6Gui) \
//       -o /tmp/make_install_images
//   QT_QPA_PLATFORM=offscreen /tmp/make_install_images <repository root>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QStringList codes{u"xbox360"_s, u"wii"_s, u"ps3"_s, u"psp"_s, u"pc"_s, u"ds"_s};
    // One colour per build, so a wrong picture is easy to spot.
    const QList<QColor> colours{QColor(0x2e, 0x6b, 0x30), QColor(0x3a, 0x78, 0xa8),
                                QColor(0x22, 0x22, 0x22), QColor(0x40, 0x40, 0x70),
                                QColor(0x70, 0x30, 0x30), QColor(0x60, 0x60, 0x60)};
    int failures = 0;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        QFile info(root + u"/resources/info/"_s + codes[i] + u"/Info.json"_s);
        if (!info.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(info.fileName()));
            ++failures;
            continue;
        }
        const QString name = QJsonDocument::fromJson(info.readAll())
                                 .object()
                                 .value(u"CFBundleDisplayName"_s)
                                 .toString();

        QImage image(320, 480, QImage::Format_RGB32);
        image.fill(colours[i]);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, false);  // fewer colours, smaller file
        painter.setPen(Qt::white);
        QFont title(u"DejaVu Sans"_s, 22, QFont::Bold);
        painter.setFont(title);
        painter.drawText(QRect(0, 150, 320, 60), Qt::AlignCenter, name);
        painter.setFont(QFont(u"DejaVu Sans"_s, 14));
        painter.drawText(QRect(0, 250, 320, 40), Qt::AlignCenter, u"Installing games..."_s);
        painter.end();

        const QString out = root + u"/resources/images/install_"_s + codes[i] + u".png"_s;
        if (!image.convertToFormat(QImage::Format_Indexed8).save(out, "PNG", 9)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
