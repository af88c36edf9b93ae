#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A saved store of `count` games, opened afresh so its records are loaded from the file.
std::unique_ptr<TestStore> reopenedStoreOf(int count) {
    {
        TestStore writer;
        for (int i = 0; i < count; ++i) {
            writer.add(u"Game %1 Pokémon"_s.arg(i));
        }
        EXPECT_TRUE(writer.context->save(nullptr));
    }
    return std::make_unique<TestStore>();
}

}  // namespace

TEST(SearchWarmUp, FoldsEveryLoadedRecordWhileIdleInSlices) {
    const int count = ManagedObjectContext::kWarmUpSlice * 2 + 7;
    auto store = reopenedStoreOf(count);
    ASSERT_EQ(store->context->countForFetchRequest(gameRequest(), nullptr), count);
    EXPECT_FALSE(store->context->isSearchTextWarm());
    QCoreApplication::processEvents();  // one slice at a time, never the whole store at once
    EXPECT_FALSE(store->context->isSearchTextWarm());
    EXPECT_TRUE(QTest::qWaitFor([&] { return store->context->isSearchTextWarm(); }));

    EXPECT_EQ(
        store->context->countForFetchRequest(gameRequest(Predicate::predicateWithFormat(
                                                 u"(title contains[cd] %@)"_s, {u"POKEMON"_s})),
                                             nullptr),
        count);
}

TEST(SearchWarmUp, ContextGoneBeforeTheWarmUpRunsIsHarmless) {
    auto store = reopenedStoreOf(10);
    ASSERT_EQ(store->context->countForFetchRequest(gameRequest(), nullptr), 10);
    // Pending warm-up slices must not touch the freed records: under AddressSanitizer
    // (scripts/test --asan) such a use fails this test.
    store.reset();
    QCoreApplication::processEvents();
    TestStore again;
    EXPECT_EQ(again.context->countForFetchRequest(gameRequest(), nullptr), 10);
}
