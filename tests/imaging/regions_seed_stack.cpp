// The bounded seed stack (ZooList).
#include "failing_malloc.h"

#include "test_names.h"

#include "fpdevice/imaging_regions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(SeedStack, StartsEmptyWithZeroFilledStorage) {
    ZooList list;
    zooInitList(&list, 4);
    ASSERT_NE(list.entries, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 4);
    EXPECT_EQ(zooIsListEmpty(&list), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.entries[i], 0u);
    }
    zooClearup(&list);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(zooIsListEmpty(&list), 1);
}

TEST(SeedStack, PushOntoAFullListIsRefusedAndPopReturnsLastInFirst) {
    ZooList list;
    zooInitList(&list, 2);
    EXPECT_EQ(zooPush(&list, 0x00030001u), 1);
    EXPECT_EQ(zooPush(&list, 0x00050002u), 1);
    EXPECT_EQ(zooIsListEmpty(&list), 0);
    EXPECT_EQ(zooPush(&list, 0x00070009u), 0);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.entries[1], 0x00050002u);

    uint32_t value = 0;
    EXPECT_EQ(zooPop(&list, &value), 1);
    EXPECT_EQ(value, 0x00050002u);
    EXPECT_EQ(zooPop(&list, &value), 1);
    EXPECT_EQ(value, 0x00030001u);
    value = 0xDEADBEEFu;
    EXPECT_EQ(zooPop(&list, &value), 0);
    EXPECT_EQ(value, 0xDEADBEEFu);
    EXPECT_EQ(list.count, 0);
    zooClearup(&list);
}

struct NoStorageCase {
    const char *name;
    int32_t capacity;
};

class SeedStackWithoutStorage : public ::testing::TestWithParam<NoStorageCase> {};

TEST_P(SeedStackWithoutStorage, RefusesEveryPush) {
    ZooList list;
    zooInitList(&list, GetParam().capacity);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(zooPush(&list, 1), 0);
    EXPECT_EQ(zooIsListEmpty(&list), 1);
    uint32_t value = 5;
    EXPECT_EQ(zooPop(&list, &value), 0);
    EXPECT_EQ(value, 5u);
    zooClearup(&list);
}

INSTANTIATE_TEST_SUITE_P(Capacities, SeedStackWithoutStorage,
                         ::testing::Values(NoStorageCase{"zero", 0}, NoStorageCase{"negative", -3}),
                         fpkey_test::ByName());

TEST(SeedStack, FailedAllocationLeavesAListThatRefusesPushes) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    ZooList list{nullptr, 7, 9};
    failing_malloc::arm(0);
    zooInitList(&list, 16);
    const failing_malloc::Outcome outcome = failing_malloc::disarm();
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(list.entries, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(zooPush(&list, 1), 0);
}

TEST(SeedStack, NullArgumentsAreHarmless) {
    zooInitList(nullptr, 4);
    zooClearup(nullptr);
    EXPECT_EQ(zooPush(nullptr, 1), 0);
    uint32_t value = 0;
    EXPECT_EQ(zooPop(nullptr, &value), 0);
    EXPECT_EQ(zooIsListEmpty(nullptr), 1);

    ZooList list;
    zooInitList(&list, 1);
    ASSERT_EQ(zooPush(&list, 3), 1);
    EXPECT_EQ(zooPop(&list, nullptr), 0);
    EXPECT_EQ(list.count, 1);
    zooClearup(&list);
    EXPECT_EQ(zooPush(&list, 4), 0);
}

}  // namespace
