#include "quirlo/presentation/toolbar_layout.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quirlo::presentation {
namespace {

const std::vector<int> kIds = {1, 2, 3, 4};

TEST(QguiToolbarLayout, RoundTripKeepsOrderWidthsAndRows) {
  const std::vector<TBandPlacement> bands = {
      {3, 300, true}, {1, 120, false}, {4, 200, true}, {2, 180, false}};
  const auto record = RecordFromBands(bands);
  // The stored bytes: entry 1 is band 1 at index 1, width 120, no break.
  unsigned char bytes[52];
  std::memcpy(bytes, &record, sizeof bytes);
  const unsigned char entry1[13] = {1, 0, 0, 0, 1, 0, 0, 0, 120, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes + 13, entry1, 13), 0);
  EXPECT_EQ(BandsFromRecord(record, kIds), bands);
}

TEST(QguiToolbarLayout, UntrustworthyRecordsAreIgnored) {
  auto record = RecordFromBands({{1, 10, true}, {2, 10, false}, {3, 10, false}, {4, 10, false}});
  auto dup = record;
  dup.Band[3].Id = 1;
  EXPECT_FALSE(BandsFromRecord(dup, kIds));
  auto unknown = record;
  unknown.Band[2].Id = 99;
  EXPECT_FALSE(BandsFromRecord(unknown, kIds));
  acquisition::TToolbarLayout zeros{};
  EXPECT_FALSE(BandsFromRecord(zeros, kIds));
  // Shuffled indexes are sorted; a negative width and a missing first break are repaired.
  record.Band[0].Index = 7;
  record.Band[1].Width = -5;
  const auto bands = BandsFromRecord(record, kIds);
  ASSERT_TRUE(bands);
  EXPECT_EQ((*bands)[0], (TBandPlacement{2, 0, true}));
  EXPECT_EQ((*bands)[3].id, 1);
}

}  // namespace
}  // namespace quirlo::presentation
