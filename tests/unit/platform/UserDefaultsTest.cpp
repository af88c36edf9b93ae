#include "UserDefaults.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <climits>
#include <thread>
#include <vector>

#include "FileFunctions.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Every test starts with the instance of its own data home and leaves none behind.
class UserDefaultsTest : public testing::Test {
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }

    static UserDefaults* defaults() { return UserDefaults::standardUserDefaults(); }

    // Drops the instance so the next read comes from the file.
    static UserDefaults* reopened() {
        UserDefaults::resetStandardUserDefaults();
        return defaults();
    }
};

}  // namespace

TEST_F(UserDefaultsTest, ValuesSurviveAReopenAfterSynchronize) {
    EXPECT_FALSE(defaults()->objectForKey(u"DEFAULT_TAB"_s).isValid());
    EXPECT_TRUE(defaults()->stringForKey(u"DEFAULT_TAB"_s).isNull());
    EXPECT_EQ(defaults()->integerForKey(u"DEFAULT_TAB"_s), 0);
    EXPECT_FALSE(defaults()->boolForKey(u"DEFAULT_TAB"_s));
    defaults()->setObject(u"2024-03-01"_s, u"LAST_UPDATE_FILE_YMD_xbox360"_s);
    defaults()->setInteger(-5, u"DEFAULT_SORT_TYPE"_s);
    defaults()->setBool(true, u"ON"_s);
    defaults()->setBool(false, u"OFF"_s);
    defaults()->setObject(true, u"RAW"_s);
    defaults()->setObject(u""_s, u"EMPTY"_s);
    defaults()->setObject(u"Pokémon ™ 🎮 = ; # [x]"_s, u"UNICODE"_s);
    // Bool and integer readers agree before and after the file is read back.
    const auto check = [](UserDefaults* d) {
        EXPECT_EQ(d->stringForKey(u"LAST_UPDATE_FILE_YMD_xbox360"_s), u"2024-03-01"_s);
        EXPECT_EQ(d->integerForKey(u"DEFAULT_SORT_TYPE"_s), -5);
        EXPECT_EQ(d->stringForKey(u"DEFAULT_SORT_TYPE"_s), u"-5"_s);
        EXPECT_TRUE(d->boolForKey(u"ON"_s));
        EXPECT_EQ(d->integerForKey(u"ON"_s), 1);
        EXPECT_EQ(d->stringForKey(u"ON"_s), u"1"_s);
        EXPECT_FALSE(d->boolForKey(u"OFF"_s));
        EXPECT_FALSE(d->stringForKey(u"OFF"_s).isNull());  // present, unlike an absent key
        EXPECT_EQ(d->integerForKey(u"RAW"_s), 1);
        EXPECT_EQ(d->stringForKey(u"UNICODE"_s), u"Pokémon ™ 🎮 = ; # [x]"_s);
        // "" is a value, not the absence of one.
        EXPECT_FALSE(d->stringForKey(u"EMPTY"_s).isNull());
        EXPECT_TRUE(d->stringForKey(u"EMPTY"_s).isEmpty());
    };
    check(defaults());
    ASSERT_TRUE(defaults()->synchronize());
    check(reopened());
}

// In the data home current when the instance is made.
TEST_F(UserDefaultsTest, LiveInTheDataHome) {
    defaults()->setInteger(3, u"DEFAULT_TAB"_s);
    ASSERT_TRUE(defaults()->synchronize());
    const QString path = qEnvironmentVariable("QUESTLOG_HOME") + u"/UserDefaults.ini"_s;
    EXPECT_EQ(QDir::cleanPath(defaults()->filePath()), QDir::cleanPath(path));
    EXPECT_EQ(QSettings(path, QSettings::IniFormat).value(u"DEFAULT_TAB"_s).toInt(), 3);
    const QByteArray first = qgetenv("QUESTLOG_HOME");
    QTemporaryDir other;
    qputenv("QUESTLOG_HOME", other.path().toUtf8());
    EXPECT_EQ(reopened()->integerForKey(u"DEFAULT_TAB"_s), 0);
    qputenv("QUESTLOG_HOME", first);
    EXPECT_EQ(reopened()->integerForKey(u"DEFAULT_TAB"_s), 3);
}

TEST_F(UserDefaultsTest, TypedReadersInterpretStoredText) {
    const struct {
        QString text;
        int integer;
        bool truth;
    } cases[] = {
        {u"12abc"_s, 12, true}, {u"  -7"_s, -7, true},
        {u"abc"_s, 0, false},   {u"YES"_s, 0, true},
        {u"no"_s, 0, false},    {u"true"_s, 1, true},
        {u"3.9"_s, 3, true},    {u"0.5"_s, 0, false},
        {u""_s, 0, false},      {u"99999999999"_s, INT_MAX, true},
    };
    for (const auto& c : cases) {
        defaults()->setObject(c.text, u"K"_s);
        EXPECT_EQ(defaults()->integerForKey(u"K"_s), c.integer) << c.text.toStdString();
        EXPECT_EQ(defaults()->boolForKey(u"K"_s), c.truth) << c.text.toStdString();
        EXPECT_EQ(defaults()->stringForKey(u"K"_s), c.text);
    }
    // Numbers read as text in decimal; lists and other objects do not.
    defaults()->setObject(2.5, u"K"_s);
    EXPECT_EQ(defaults()->stringForKey(u"K"_s), u"2.5"_s);
    EXPECT_EQ(defaults()->integerForKey(u"K"_s), 2);
    defaults()->setObject(QStringList{u"a"_s, u"b"_s}, u"K"_s);
    EXPECT_TRUE(defaults()->stringForKey(u"K"_s).isNull());
    EXPECT_EQ(defaults()->integerForKey(u"K"_s), 0);
}

TEST_F(UserDefaultsTest, RemovingOneKeyKeepsTheRest) {
    defaults()->setInteger(1, u"A"_s);
    defaults()->setInteger(2, u"B"_s);
    defaults()->setInteger(3, u"C"_s);
    defaults()->removeObjectForKey(u"A"_s);
    defaults()->setObject(QVariant(), u"B"_s);
    defaults()->setObject(QString(), u"C"_s);  // a null string is nothing, so it removes too
    EXPECT_FALSE(defaults()->objectForKey(u"A"_s).isValid());
    EXPECT_FALSE(defaults()->objectForKey(u"B"_s).isValid());
    EXPECT_FALSE(defaults()->objectForKey(u"C"_s).isValid());

    // An empty key must never act on the whole file (QSettings::remove("") clears everything).
    defaults()->setInteger(4, u"D"_s);
    defaults()->removeObjectForKey(u""_s);
    defaults()->setObject(5, u""_s);
    ASSERT_TRUE(defaults()->synchronize());
    EXPECT_EQ(reopened()->integerForKey(u"D"_s), 4);
    EXPECT_FALSE(defaults()->objectForKey(u""_s).isValid());
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
    static const char kGarbage[] = "\xff\xfe[[[=\n\0\0junk";
    ASSERT_TRUE(FileFunctions::createFileAtPath(path, QByteArray(kGarbage, sizeof kGarbage - 1)));
    EXPECT_TRUE(reopened()->stringForKey(u"DEFAULT_TAB"_s).isNull());
    defaults()->setInteger(2, u"DEFAULT_TAB"_s);
    EXPECT_TRUE(defaults()->synchronize());
    EXPECT_EQ(reopened()->integerForKey(u"DEFAULT_TAB"_s), 2);
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            UserDefaults* d = UserDefaults::standardUserDefaults();
            for (int k = 0; k < kKeys; ++k) {
                const QString key = u"K_%1_%2"_s.arg(t).arg(k);
                d->setInteger(t * 1000 + k, key);
                if (d->integerForKey(key) != t * 1000 + k) {
                    ADD_FAILURE() << "lost " << key.toStdString();
                }
                if (k % 25 == 0) {
                    d->synchronize();
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(defaults()->synchronize());
    UserDefaults* again = reopened();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            EXPECT_EQ(again->integerForKey(u"K_%1_%2"_s.arg(t).arg(k)), t * 1000 + k);
        }
    }
}

// Every write replaces the file, so an unchanged file keeps its identity.
TEST_F(UserDefaultsTest, StoringTheSameValueAgainWritesNothing) {
    const auto inode = [] {
        struct stat info {};
        ::stat(QFile::encodeName(defaults()->filePath()).constData(), &info);
        return info.st_ino;
    };
    for (const auto& [value, unchanged] :
         {std::pair(u"DATE"_s, false), std::pair(u"DATE"_s, true), std::pair(u"SCORE"_s, false)}) {
        const ino_t before = inode();
        defaults()->setObject(value, u"DEFAULT_SORT_TYPE"_s);
        ASSERT_TRUE(defaults()->synchronize());
        EXPECT_EQ(inode() == before, unchanged) << value.toStdString();
    }
}
