#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace radlyn::platform {
namespace {

bool AllZero(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

TEST(GlobalMemoryTest, BlocksAreZeroFilledAndGrowthIsZeroFilledToo) {
  std::uint32_t live = GmLiveBlockCount();
  GmHandle block = GmAlloc(740);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(GmLiveBlockCount(), live + 1);
  EXPECT_EQ(GmSize(block), 740u);
  auto* data = static_cast<unsigned char*>(GmLock(block));
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(AllZero(data, 740));
  std::memset(data, 0xAB, 740);
  EXPECT_EQ(GmUnlock(block), 0);

  EXPECT_EQ(GmReAlloc(block, 100000), block);
  EXPECT_EQ(GmSize(block), 100000u);
  data = static_cast<unsigned char*>(GmLock(block));
  EXPECT_EQ(data[739], 0xAB);
  EXPECT_TRUE(AllZero(data + 740, 100000 - 740));
  GmUnlock(block);

  EXPECT_EQ(GmReAlloc(block, 10), block);  // shrinking keeps the front
  data = static_cast<unsigned char*>(GmLock(block));
  EXPECT_EQ(data[9], 0xAB);
  GmUnlock(block);
  EXPECT_EQ(GmFree(block), 0u);
  EXPECT_EQ(GmLiveBlockCount(), live);
}

TEST(GlobalMemoryTest, LockCountsNest) {
#ifdef _WIN32
  // Windows allocates a block of 0 bytes discarded: it has no address to lock.
  GmHandle empty = GmAlloc(0);
  ASSERT_NE(empty, 0u);
  EXPECT_EQ(GmSize(empty), 0u);
  EXPECT_EQ(GmLock(empty), nullptr);
  EXPECT_EQ(GmFree(empty), 0u);
  GmHandle block = GmAlloc(1);
  ASSERT_NE(block, 0u);
#else
  GmHandle block = GmAlloc(0);
  ASSERT_NE(block, 0u);
  EXPECT_EQ(GmSize(block), 0u);
#endif
  EXPECT_NE(GmLock(block), nullptr);
  EXPECT_NE(GmLock(block), nullptr);
  EXPECT_NE(GmUnlock(block), 0);  // still locked once
  EXPECT_EQ(GmUnlock(block), 0);
  EXPECT_EQ(GmUnlock(block), 0);  // an extra unlock changes nothing
  EXPECT_EQ(GmFree(block), 0u);
}

TEST(GlobalMemoryTest, StaleAndUnknownHandlesAreRecognised) {
  GmHandle block = GmAlloc(16);
  ASSERT_EQ(GmFree(block), 0u);
  for (GmHandle stale : {block, GmHandle{0}, GmHandle{0xFFFFFFFF}, block ^ 0x100000u}) {
    EXPECT_EQ(GmLock(stale), nullptr) << stale;
    EXPECT_EQ(GmUnlock(stale), 0) << stale;
    EXPECT_EQ(GmSize(stale), 0u) << stale;
    EXPECT_EQ(GmReAlloc(stale, 32), 0u) << stale;
    EXPECT_EQ(GmFree(stale), stale) << stale;
  }
#ifndef _WIN32
  // Freed handles do not come back soon, so a stale one never reaches a new block. (Windows
  // hands a freed handle out again at once.)
  std::set<GmHandle> handles;
  for (int i = 0; i < 100; ++i) {
    GmHandle fresh = GmAlloc(8);
    EXPECT_NE(fresh, block);
    EXPECT_TRUE(handles.insert(fresh).second);
    GmFree(fresh);
  }
#endif
}

}  // namespace
}  // namespace radlyn::platform
