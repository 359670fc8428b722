// LargeBlock: small and mapped blocks hold what is written, prefaulting never changes it.

#include "base/LargeBlock.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(LargeBlock, KeepsWhatIsWrittenWhilePrefaultingAndRefusesImpossibleSizes) {
  const std::size_t mapped = std::size_t{48} << 20 >> 3;
  for (auto [count, prefault] :
       {std::pair{std::size_t{1000}, false}, {1000, true}, {mapped, false}, {mapped, true}}) {
    LargeArray<std::uint64_t> a;
    ASSERT_TRUE(a.allocate(count, prefault));
    for (std::size_t i = 0; i < count; ++i) a[i] = i * 0x9E3779B97F4A7C15u;
    a.stopPrefault();
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < count; ++i) wrong += a[i] != i * 0x9E3779B97F4A7C15u;
    EXPECT_EQ(wrong, 0u) << count << (prefault ? ", prefaulted" : "");
    a.release();
    EXPECT_FALSE(a);
  }
  LargeArray<std::uint64_t> a;
  EXPECT_FALSE(a.allocate(static_cast<std::size_t>(-1) / 4));  // no throwing
  EXPECT_FALSE(a);
  EXPECT_TRUE(a.allocate(16));
  EXPECT_FALSE(a.allocate(static_cast<std::size_t>(-1) / 8 - 1));  // beyond any memory
  EXPECT_FALSE(a);
}
