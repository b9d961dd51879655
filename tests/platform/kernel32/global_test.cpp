// Global memory: moveable blocks keep their handle when they grow, locked blocks stay where they are,
// and a freed or unknown handle fails without touching memory.
#include <gtest/gtest.h>

#include <cstring>

#include "windows.h"

namespace {

TEST(GlobalMemory, MoveableBlockKeepsItsHandleAndContentWhenItGrows) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, 4);
    ASSERT_NE(block, nullptr);
    auto* data = static_cast<BYTE*>(GlobalLock(block));
    ASSERT_NE(data, nullptr);
    std::memcpy(data, "abcd", 4);
    GlobalUnlock(block);

    EXPECT_EQ(GlobalReAlloc(block, 4096, 0), block);
    EXPECT_EQ(GlobalSize(block), 4096u);
    data = static_cast<BYTE*>(GlobalLock(block));
    EXPECT_EQ(std::memcmp(data, "abcd", 4), 0);
    EXPECT_EQ(data[4095], 0) << "grown bytes start zeroed";
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(GlobalMemory, LockedBlockNeverMovesAndUnlockCountsDown) {
    HGLOBAL block = GlobalAlloc(GHND, 16);
    ASSERT_NE(block, nullptr);
    void* first = GlobalLock(block);
    EXPECT_EQ(GlobalLock(block), first);

    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, 0), nullptr) << "a locked block must not move";
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(GlobalSize(block), 16u);

    EXPECT_TRUE(GlobalUnlock(block)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_LOCKED));
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, 0), block);
    GlobalFree(block);
}

TEST(GlobalMemory, FixedBlockIsItsAddressAndMovesOnlyWhenAllowed) {
    HGLOBAL block = GlobalAlloc(GPTR, 8);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalLock(block), block);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalReAlloc(block, 1 << 16, 0), nullptr);
    EXPECT_EQ(GlobalReAlloc(block, 4, 0), block) << "shrinking stays in place";
    EXPECT_EQ(GlobalSize(block), 4u);

    HGLOBAL moved = GlobalReAlloc(block, 1 << 16, GMEM_MOVEABLE);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalSize(moved), size_t(1 << 16));
    if (moved != block) {
        EXPECT_EQ(GlobalSize(block), 0u) << "the old address names no block";
    }
    GlobalFree(moved);
}

TEST(GlobalMemory, FreedAndUnknownHandlesFailHarmlessly) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 32);
    ASSERT_EQ(GlobalFree(block), nullptr);

    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalReAlloc(block, 64, 0), nullptr);
    EXPECT_EQ(GlobalFree(block), block) << "a second free reports the handle back";

    int local = 0;
    EXPECT_EQ(GlobalLock(&local), nullptr) << "an address that is no block is not used";
    EXPECT_EQ(GlobalFree(&local), static_cast<HGLOBAL>(&local));
}

} // namespace
