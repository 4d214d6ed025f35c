#include <gtest/gtest.h>

#include "quirlo/presentation/file_filter.h"
#include "quirlo/presentation/main_layout.h"

namespace quirlo::presentation {
namespace {

TEST(QguiMainLayout, PanelPinnedRightChartTakesTheRest) {
  const auto l = ComputeMainLayout(1280, 900, 60, 20);
  EXPECT_EQ(l.panel, (Rect{1280 - 192 - 1, 68, 192, 900 - 65 - 20 - 9}));
  EXPECT_EQ(l.chart, (Rect{0, 65, 1280 - 192 - 2, 900 - 65 - 20}));
  // A window smaller than its bars gives empty areas, never negative sizes.
  const auto tiny = ComputeMainLayout(100, 50, 60, 20);
  EXPECT_EQ(tiny.chart.width, 0);
  EXPECT_EQ(tiny.chart.height, 0);
  EXPECT_EQ(tiny.panel.height, 0);
  EXPECT_EQ(ReplayBarPosition(kInitialChartRect, 60), (Point{0 + 824 / 4 + 40, 110}));
}

TEST(QguiStatusPanels, FilePanelAbsorbsWidthChanges) {
  TStatusPanels p;
  EXPECT_EQ(p.Width(0), 170);
  EXPECT_EQ(p.Width(1), 635);
  EXPECT_EQ(p.Width(2), 60);
  EXPECT_EQ(p.Width(3), 50);
  p.BarResized(915, 1215);
  EXPECT_EQ(p.Width(1), 935);
  p.BarResized(1215, 200);  // far too small: shown as 0 ...
  EXPECT_EQ(p.Width(1), 0);
  p.BarResized(200, 915);  // ... and back to the same width afterwards
  EXPECT_EQ(p.Width(1), 635);
  EXPECT_EQ(p.Width(4), 0);
}

TEST(QguiFileFilter, PipePairsBecomeNameFilters) {
  EXPECT_EQ(ToNameFilters("Comma separated values (*.csv)|*.csv"),
            (std::vector<std::string>{"Comma separated values (*.csv)"}));
  EXPECT_EQ(ToNameFilters("Text|*.txt;*.log|All files (*.*)|*.*"),
            (std::vector<std::string>{"Text (*.txt *.log)", "All files (*.*)"}));
  EXPECT_TRUE(ToNameFilters("").empty());
}

TEST(QguiFileFilter, ExtensionChanges) {
  EXPECT_EQ(ChangeExtension("/d/Data/run1.csv", ".rcf"), "/d/Data/run1.rcf");
  EXPECT_EQ(ChangeExtension("/d/my.data/run1", ".rcf"), "/d/my.data/run1.rcf");
  EXPECT_EQ(FileNameOf(ChangeExtension("/d/Data/run.1.csv", ".rcf")), "run.1.rcf");
}

}  // namespace
}  // namespace quirlo::presentation
