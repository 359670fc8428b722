// LargeBlock: small and mapped blocks hold what is written, prefaulting never changes it.

#include <gtest/gtest.h>

#include <cstdint>

#include "base/LargeBlock.h"

TEST(LargeBlock, SmallAndMappedBlocksKeepWhatIsWrittenWhilePrefaulting) {
  struct Case {
    const char* name;
    std::size_t count;
    bool prefault;
  };
  const Case cases[] = {
      {"small", 1000, false},
      {"small, prefault asked", 1000, true},
      {"mapped", std::size_t{48} << 20 >> 3, false},
      {"mapped, prefaulted while written", std::size_t{48} << 20 >> 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LargeArray<std::uint64_t> a;
    ASSERT_TRUE(a.allocate(c.count, c.prefault));
    for (std::size_t i = 0; i < c.count; ++i) a[i] = i * 0x9E3779B97F4A7C15u;
    a.stopPrefault();
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < c.count; ++i) wrong += a[i] != i * 0x9E3779B97F4A7C15u;
    EXPECT_EQ(wrong, 0u);
    a.release();
    EXPECT_FALSE(a);
  }
}

TEST(LargeBlock, RefusesImpossibleSizesWithoutThrowing) {
  LargeArray<std::uint64_t> a;
  EXPECT_FALSE(a.allocate(static_cast<std::size_t>(-1) / 4));
  EXPECT_FALSE(a);
  EXPECT_TRUE(a.allocate(16));
  EXPECT_FALSE(a.allocate(static_cast<std::size_t>(-1) / 8 - 1));  // beyond any memory
  EXPECT_FALSE(a);
}
