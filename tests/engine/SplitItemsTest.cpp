// runItemsSplit: every item once, the whole protocol on the calling thread, cancel stops
// both halves.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/SplitItems.h"
#include "support/RecordingFeedback.h"

namespace {

constexpr std::uint32_t kLarge = kSplitItemsFrom + 12345;

}  // namespace

TEST(SplitItems, DoesEveryItemOnceAndPollsBeforeEachInOrder) {
  for (const std::uint32_t count : {0u, 7u, kLarge}) {
    SCOPED_TRACE(count);
    RecordingFeedback feedback;
    std::vector<std::uint8_t> done(count, 0);
    {
      StageRun run(feedback, "m", "cancelled", count);
      ASSERT_TRUE(runItemsSplit(run, count, [&](std::uint32_t i) { ++done[i]; }));
      run.finish();
    }
    std::size_t onceEach = 0;
    for (std::uint8_t d : done) onceEach += d == 1;
    EXPECT_EQ(onceEach, count);
    const auto& w = *feedback.windows.at(0);
    EXPECT_EQ(w.polls, count);
    ASSERT_EQ(w.positions.size(), 2 + (count + 4999) / 5000);
    for (std::size_t k = 1; k + 1 < w.positions.size(); ++k)
      EXPECT_EQ(w.positions[k].pollsBefore, static_cast<long long>((k - 1) * 5000));
    EXPECT_TRUE(feedback.messages.empty());
  }
}

TEST(SplitItems, CancelReturnsFalseAfterThatPollWithBothHalvesStopped) {
  RecordingFeedback feedback;
  std::vector<std::uint8_t> done(kLarge, 0);
  feedback.cancelAtPoll(1000);
  StageRun run(feedback, "m", "cancelled", kLarge);
  EXPECT_FALSE(runItemsSplit(run, kLarge, [&](std::uint32_t i) { ++done[i]; }));
  EXPECT_EQ(feedback.windows.at(0)->polls, 1000);
  ASSERT_EQ(feedback.messages.size(), 1u);
  EXPECT_EQ(feedback.messages[0].text, "cancelled");
  std::size_t firstHalf = 0, twice = 0;
  for (std::uint32_t i = 0; i < kLarge; ++i) {
    if (i < kLarge / 2) firstHalf += done[i];
    twice += done[i] > 1;
  }
  EXPECT_EQ(firstHalf, 999u);  // the items polled for before the cancel
  EXPECT_EQ(twice, 0u);
}
