#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "quirlo/presentation/main_menu_table.h"
#include "quirlo/presentation/recording_captions.h"

namespace quirlo::presentation {
namespace {

TEST(QguiMainMenuTable, FileMenuOrderAndResumeDisabled) {
  const auto& file = MainMenus().at(0);
  EXPECT_EQ(file.title, "&File");
  std::string joined;
  for (const auto& item : file.items) joined += std::string(item.caption) + "|";
  EXPECT_EQ(joined,
            "&Record...|&Append...||&Edit Saved File...|&Graph Saved File...|"
            "Replay &Saved File...|Res&ume Data Acquisition||Sa&ve Settings As...|"
            "Res&tore Saved Settings...||&Print...||E&xit|");
  ASSERT_NE(FindMenuItem("FileResume"), nullptr);
  EXPECT_FALSE(FindMenuItem("FileResume")->enabledAtStart);
  EXPECT_TRUE(FindMenuItem("EditSimulator")->checkable);
  EXPECT_TRUE(FindMenuItem("EditCTDemo")->checkable);
  EXPECT_EQ(FindMenuItem(""), nullptr);
}

TEST(QguiMainMenuTable, MenusTheirItemsAndActionsInOrder) {
  // Menu title, then "caption=action" per item ("-" for a separator).
  const std::vector<std::string> expected = {
      "&File: &Record...=FileNew &Append...=FileAppend - &Edit Saved File...=FileOpen "
      "&Graph Saved File...=FileGraph Replay &Saved File...=FileReplay "
      "Res&ume Data Acquisition=FileResume - Sa&ve Settings As...=FileSaveSettings "
      "Res&tore Saved Settings...=FileRestore - &Print...=FilePrint - E&xit=FileExit",
      "&Options: &Setup=EditSetup R&un Data Simulator=EditSimulator "
      "&Run Coiled Tubing Demo=EditCTDemo &Delimiters...=EditDelimiters",
      "&Chart: - &Clear=ChartReset",
      "&Totals: &Select Totals to Reset=SelectTotals &Reset All Totals=ResetAll",
      "&Help: &About=HelpAbout &Contents=HelpContents",
  };
  std::vector<std::string> actual;
  for (const auto& menu : MainMenus()) {
    std::string line = std::string(menu.title) + ":";
    for (const auto& item : menu.items)
      line += item.IsSeparator() ? std::string(" -")
                                 : " " + std::string(item.caption) + "=" + std::string(item.action);
    actual.push_back(line);
  }
  EXPECT_EQ(actual, expected);
}

TEST(QguiMainMenuTable, EveryActionAppearsOnce) {
  std::set<std::string_view> seen;
  for (const auto& menu : MainMenus())
    for (const auto& item : menu.items)
      if (!item.IsSeparator()) {
        EXPECT_TRUE(seen.insert(item.action).second) << item.action;
      }
  EXPECT_EQ(seen.size(), 19u);
}

TEST(QguiRecordingCaptions, SwitchWithRecorderState) {
  constexpr auto on = RecordingCaptionsFor(true);
  EXPECT_EQ(on.actionCaption, "Stop Recording");
  EXPECT_EQ(on.imageIndex, 24);
  EXPECT_EQ(on.buttonCaption, "Stop");
  EXPECT_EQ(on.buttonHint, "Stop recording");
  EXPECT_FALSE(on.appendEnabled);
  constexpr auto off = RecordingCaptionsFor(false);
  EXPECT_EQ(off.actionCaption, "Record...");
  EXPECT_EQ(off.imageIndex, 17);
  EXPECT_EQ(off.buttonCaption, "Record");
  EXPECT_EQ(off.buttonHint, "Begin a new recording");
  EXPECT_TRUE(off.appendEnabled);
  // The first tool bar's Record button starts with the "off" texts.
  EXPECT_EQ(MainToolBars().at(0).buttons.at(0).caption, off.buttonCaption);
  EXPECT_EQ(MainToolBars().at(0).buttons.at(0).hint, off.buttonHint);
}

}  // namespace
}  // namespace quirlo::presentation
