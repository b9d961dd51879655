// The console's snap-in interfaces as the platform header declares them: the sizes that cross between
// the console and the snap-in as bytes, and the pointer-sized handles that carry node addresses.
#include <gtest/gtest.h>

#include "mmc.h"

namespace {

TEST(ConsoleInterfaces, CookiesAndItemHandlesHoldAnAddress) {
    EXPECT_EQ(sizeof(MMC_COOKIE), sizeof(void*));
    EXPECT_EQ(sizeof(HSCOPEITEM), sizeof(void*));
    EXPECT_EQ(sizeof(HRESULTITEM), sizeof(void*));
    EXPECT_EQ(sizeof(SCOPEDATAITEM::lParam), sizeof(void*));
}

TEST(ConsoleInterfaces, MultiSelectObjectTypesWithOneSpareGuidIs36Bytes) {
    // A count and one node type, followed by one more (zero) GUID: the block the snap-in renders.
    EXPECT_EQ(sizeof(SMMCOBJECTTYPES) + sizeof(GUID), 36u);
}

TEST(ConsoleInterfaces, SpecialDataObjectsAreTheValuesFromMinusTenToZero) {
    EXPECT_TRUE(IS_SPECIAL_DATAOBJECT(nullptr));
    EXPECT_TRUE(IS_SPECIAL_DATAOBJECT(reinterpret_cast<LPDATAOBJECT>(static_cast<LONG_PTR>(-10))));
    EXPECT_FALSE(IS_SPECIAL_DATAOBJECT(reinterpret_cast<LPDATAOBJECT>(static_cast<LONG_PTR>(-11))));
    EXPECT_FALSE(IS_SPECIAL_DATAOBJECT(reinterpret_cast<LPDATAOBJECT>(static_cast<LONG_PTR>(1))));
}

} // namespace
