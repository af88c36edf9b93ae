#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "FileFunctions.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Every test starts with the instance of its own data home and leaves none behind.
class UserDefaultsTest : public testing::Test {
protected:
    UserDefaultsTest() { UserDefaults::resetStandardUserDefaults(); }
    ~UserDefaultsTest() override { UserDefaults::resetStandardUserDefaults(); }
    static UserDefaults* defaults() { return UserDefaults::standardUserDefaults(); }
    // Drops the instance so the next read comes from the file.
    static UserDefaults* reopened() {
        UserDefaults::resetStandardUserDefaults();
        return defaults();
    }
};

}  // namespace

// Values survive a reopen in the data home current when the instance is made; "" is a value,
// not the absence of one; removing a key (a null value removes too) keeps the rest, and an
// empty key never acts on the whole file.
TEST_F(UserDefaultsTest, ValuesSurviveAReopenInTheirDataHome) {
    EXPECT_TRUE(defaults()->stringForKey(u"DEFAULT_TAB"_s).isNull());
    defaults()->setInteger(-5, u"DEFAULT_SORT_TYPE"_s);
    defaults()->setBool(false, u"OFF"_s);
    defaults()->setObject(u""_s, u"EMPTY"_s);
    defaults()->setObject(u"Pokémon ™ 🎮 = ; # [x]"_s, u"UNICODE"_s);
    for (const QString& gone : {u"A"_s, u"B"_s}) {
        defaults()->setInteger(1, gone);
    }
    defaults()->removeObjectForKey(u"A"_s);
    defaults()->setObject(QVariant(), u"B"_s);
    defaults()->removeObjectForKey(u""_s);
    ASSERT_TRUE(defaults()->synchronize());
    UserDefaults* d = reopened();
    EXPECT_EQ(QDir::cleanPath(d->filePath()),
              QDir::cleanPath(qEnvironmentVariable("QUESTLOG_HOME") + u"/UserDefaults.ini"_s));
    EXPECT_EQ(d->stringForKey(u"DEFAULT_SORT_TYPE"_s), u"-5"_s);
    EXPECT_FALSE(d->stringForKey(u"OFF"_s).isNull());
    EXPECT_EQ(d->stringForKey(u"UNICODE"_s), u"Pokémon ™ 🎮 = ; # [x]"_s);
    EXPECT_TRUE(d->stringForKey(u"EMPTY"_s).isEmpty() && !d->stringForKey(u"EMPTY"_s).isNull());
    for (const QString& gone : {u"A"_s, u"B"_s}) {
        EXPECT_FALSE(d->objectForKey(gone).isValid()) << gone.toStdString();
    }
    d->setInteger(1, u"OFF"_s);
    ASSERT_TRUE(d->synchronize());
    const QByteArray first = qgetenv("QUESTLOG_HOME");
    QTemporaryDir other;
    qputenv("QUESTLOG_HOME", other.path().toUtf8());
    EXPECT_TRUE(reopened()->stringForKey(u"UNICODE"_s).isNull());
    qputenv("QUESTLOG_HOME", first);
    EXPECT_EQ(reopened()->integerForKey(u"OFF"_s), 1);
}

// A file that cannot be replaced fails to synchronize; one full of garbage reads as nothing.
// Either way what was set stays readable, and new writes are kept when they can be.
TEST_F(UserDefaultsTest, BadFilesLoseNoNewWrites) {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(u"UserDefaults.ini"_s);
    ASSERT_TRUE(QDir().mkpath(path));  // a folder: nothing replaces it, not even as root
    defaults()->setInteger(1, u"DEFAULT_TAB"_s);
    EXPECT_FALSE(defaults()->synchronize());
    EXPECT_EQ(defaults()->integerForKey(u"DEFAULT_TAB"_s), 1);
    ASSERT_TRUE(QDir(path).removeRecursively());
    // A damaged file is kept byte for byte beside them first; what could be read stays.
    static const char kGarbage[] = "\xff\xfe[[[=\n\0\0junk";
    for (const QByteArray& damaged :
         {QByteArray(kGarbage, sizeof kGarbage - 1), QByteArray("[General]\nSORT=3\n[broken\n")}) {
        UserDefaults::resetStandardUserDefaults();
        ASSERT_TRUE(FileFunctions::createFileAtPath(path, damaged));
        EXPECT_TRUE(defaults()->stringForKey(u"DEFAULT_TAB"_s).isNull());
        EXPECT_EQ(defaults()->integerForKey(u"SORT"_s), damaged.contains("SORT") ? 3 : 0);
        defaults()->setInteger(2, u"DEFAULT_TAB"_s);
        EXPECT_TRUE(defaults()->synchronize());
        EXPECT_EQ(reopened()->integerForKey(u"DEFAULT_TAB"_s), 2);
        const QDir home(FileFunctions::getDocumentDirectoryPath());
        QFile kept(home.filePath(home.entryList({u"*.damaged"_s}).value(0)));
        EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == damaged);
        EXPECT_TRUE(kept.remove());
    }
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 100;
    const auto key = [](int t, int k) { return u"K_%1_%2"_s.arg(t).arg(k); };
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, key] {
            for (int k = 0; k < kKeys; ++k) {
                UserDefaults::standardUserDefaults()->setInteger(t * 1000 + k, key(t, k));
                if (k % 25 == 0) {
                    UserDefaults::standardUserDefaults()->synchronize();
                }
            }
        });
    }
    threads.clear();  // joins them
    ASSERT_TRUE(defaults()->synchronize());
    UserDefaults* again = reopened();
    for (int i = 0; i < kThreads * kKeys; ++i) {
        EXPECT_EQ(again->integerForKey(key(i / kKeys, i % kKeys)), i / kKeys * 1000 + i % kKeys);
    }
}
