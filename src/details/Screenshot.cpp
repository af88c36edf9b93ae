#include "Screenshot.h"

#include "Format.h"

using namespace Qt::Literals::StringLiterals;

QString Screenshot::description() const {
    return Format::format(
        u"----------[ Screenshot ] -------------\n"
        u"\turlThumbnail\t\t\t= [%@]\n"
        u"\turlScreenshot\t\t\t= [%@]\n"
        u"\turlHighDef\t\t\t\t= [%@]\n"_s,
        urlThumbnail_, urlScreenshot_, urlHighDef_);
}
