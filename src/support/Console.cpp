#include "Console.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

void writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written <= 0) {
            return;  // the console is gone; nothing to report it to
        }
        data += written;
        left -= written;
    }
}

QString processName() {
    const QString name =
        QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    return name.isEmpty() ? u"questlog"_s : name;
}

}  // namespace

void Console::write(const QString& entry) {
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
    const QString line = Format::format(u"%@ %@[%d:%ld] %@\n"_s, stamp, processName(),
                                        int(::getpid()), long(::gettid()), entry);
    writeAll(STDERR_FILENO, line.toUtf8());
}

void Console::puts(const QString& line) {
    const QByteArray text = line.toUtf8();
    std::fflush(stdout);
    std::puts(text.constData());
    std::fflush(stdout);
}
