#include "quirlo/platform/ui_service.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quirlo {
namespace {

TEST(qplat_UiService, ScriptedAnswersInOrderAndRecordsEveryCall) {
  ScriptedUiService ui;
  ui.PushResult(MsgResult::Ok);
  ui.PushPath("/data/run1.csv");
  ui.PushInput(true, "new name");

  EXPECT_EQ(ui.MessageBox("Would you like to start a new recording?", "File does not exist",
                          MsgIcon::Question, MsgButtons::OkCancel),
            MsgResult::Ok);
  FileDialogOptions save;
  save.title = "Record a new file";
  save.filter = "Comma separated values (*.csv)|*.csv";
  save.defaultExt = "csv";
  save.overwritePrompt = true;
  EXPECT_EQ(ui.SaveFileDialog(save), "/data/run1.csv");
  std::string value = "old";
  EXPECT_TRUE(ui.InputQuery("Rename", "Name:", value));
  EXPECT_EQ(value, "new name");

  // Queue empty: dismissed boxes, cancelled dialogs, failed queries.
  EXPECT_EQ(ui.MessageBox("t", "c", MsgIcon::Error, MsgButtons::Ok), MsgResult::Ok);
  EXPECT_EQ(ui.MessageBox("t", "c", MsgIcon::Question, MsgButtons::YesNo), MsgResult::No);
  EXPECT_EQ(ui.MessageBox("t", "c", MsgIcon::Question, MsgButtons::YesNoCancel), MsgResult::Cancel);
  EXPECT_EQ(ui.OpenFileDialog(save), std::nullopt);
  EXPECT_FALSE(ui.InputQuery("Rename", "Name:", value));
  EXPECT_EQ(value, "new name");
  EXPECT_FALSE(ui.OpenWithDesktop("/data/run1.csv"));

  const auto calls = ui.Calls();
  ASSERT_EQ(calls.size(), 9u);
  EXPECT_EQ(calls[0].kind, UiCall::Kind::MessageBox);
  EXPECT_EQ(calls[0].caption, "File does not exist");
  EXPECT_EQ(calls[0].icon, MsgIcon::Question);
  EXPECT_EQ(calls[1].kind, UiCall::Kind::SaveFile);
  EXPECT_EQ(calls[1].caption, "Record a new file");
  EXPECT_TRUE(calls[1].dialog.overwritePrompt);
  EXPECT_EQ(calls[2].value, "old");
  EXPECT_EQ(calls[2].text, "Name:");
  EXPECT_EQ(calls[8].kind, UiCall::Kind::OpenWithDesktop);
  EXPECT_EQ(calls[8].text, "/data/run1.csv");
}

TEST(qplat_UiService, ConsoleWritesEachMessageOnceAndAnswersNo) {
  std::ostringstream out;
  ConsoleUiService ui(out);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ui.MessageBox("The data acquisition COM port could not be found.",
                            "Error - Port Not Found", MsgIcon::Error, MsgButtons::Ok),
              MsgResult::Ok);
  EXPECT_EQ(ui.MessageBox("Save changes?", "Custom Window", MsgIcon::Question, MsgButtons::YesNo),
            MsgResult::No);
  EXPECT_EQ(out.str(),
            "Error - Port Not Found: The data acquisition COM port could not be found.\n"
            "Custom Window: Save changes?\n");
  EXPECT_EQ(ui.SaveFileDialog({}), std::nullopt);
  std::string v = "x";
  EXPECT_FALSE(ui.InputQuery("a", "b", v));
}

TEST(qplat_UiService, FilterAndDefaultExtension) {
  const auto f = ParseFileFilter("Comma separated values (*.csv)|*.csv|Text (*.txt;*.log)|*.txt;*.log|Dangling");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].description, "Comma separated values (*.csv)");
  EXPECT_EQ(f[0].patterns, std::vector<std::string>{"*.csv"});
  EXPECT_EQ(f[1].patterns, (std::vector<std::string>{"*.txt", "*.log"}));
  EXPECT_TRUE(ParseFileFilter("").empty());

  EXPECT_EQ(ApplyDefaultExtension("/d/run1", "csv"), "/d/run1.csv");
  EXPECT_EQ(ApplyDefaultExtension("/d/run1.txt", "csv"), "/d/run1.txt");
  EXPECT_EQ(ApplyDefaultExtension("/d.x/run1", "cfg"), "/d.x/run1.cfg");
  EXPECT_EQ(ApplyDefaultExtension("/d/run1", ""), "/d/run1");
}

}  // namespace
}  // namespace quirlo
