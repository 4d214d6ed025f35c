#include "quirlo/presentation/main_commands.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <vector>

namespace quirlo::presentation {
namespace {

namespace fs = std::filesystem;

struct FakeView : TMainView {
  std::vector<std::string> log;
  RecordingCaptions captions = RecordingCaptionsFor(false);
  bool resumeEnabled = false;
  double lastX = 0;
  void ApplyRecordingCaptions(const RecordingCaptions& c) override { captions = c; }
  void SetResumeEnabled(bool e) override {
    resumeEnabled = e;
    log.push_back(e ? "resume on" : "resume off");
  }
  void ShowReplayBar(bool v) override { log.push_back(v ? "bar shown" : "bar hidden"); }
  void ClearChart() override { log.push_back("chart cleared"); }
  double LastChartX() override { return lastX; }
  void ShowAbout() override { log.push_back("about"); }
  void CloseWindow() override { log.push_back("close"); }
};

class QguiMainCommands : public testing::Test {
 protected:
  static fs::path MakeHome() {
    const fs::path home = fs::path(testing::TempDir()) /
                          ("qgui_cmd_" + std::string(testing::UnitTest::GetInstance()
                                                         ->current_test_info()
                                                         ->name()));
    fs::remove_all(home);
    fs::create_directories(home / "Data");
    return home;
  }
  void SetUp() override {
    TMainHooks& h = commands.Hooks();
    h.setStatus = [this](int panel, const std::string& t) { status.at(panel) = t; };
    h.recordNew = [this](const std::string& p) { return Log("new " + p), recorderWorks; };
    h.recordAppend = [this](const std::string& p) { return Log("append " + p), recorderWorks; };
    h.recordStop = [this] { Log("stop"); };
    h.recordTag = [this](const std::string& t) { Log("tag " + t); };
    h.saveSettingsAs = [this](const std::string& n) { Log("settings " + n); };
    h.addEventTag = [this](const std::string& t, double x) {
      Log("hub tag " + t + " at " + std::to_string(int(x)));
    };
  }
  void TearDown() override { fs::remove_all(home); }
  void Log(const std::string& s) { calls.push_back(s); }
  std::string Path(const char* name) const { return (home / "Data" / name).string(); }

  ScriptedUiService ui;
  FakeView view;
  fs::path home = MakeHome();
  TMainCommands commands{ui, view, home};
  std::array<std::string, 4> status{kRecorderStopped, kUntitledFile, "CPU", "time"};
  std::vector<std::string> calls;
  bool recorderWorks = true;
};

TEST_F(QguiMainCommands, RecordAsksForANewFileAndSavesItsSettings) {
  ui.PushPath(Path("run1.csv"));
  commands.FileNewExecute();
  ASSERT_EQ(ui.CallCount(), 1u);
  const UiCall call = ui.Calls()[0];
  EXPECT_EQ(call.kind, UiCall::Kind::SaveFile);
  EXPECT_EQ(call.caption, "Record a new file");
  EXPECT_EQ(call.dialog.filter, "Comma separated values (*.csv)|*.csv");
  EXPECT_EQ(call.dialog.defaultExt, "csv");
  EXPECT_EQ(call.dialog.initialDir, (home / "Data").string());
  EXPECT_TRUE(call.dialog.overwritePrompt);
  EXPECT_EQ(calls, (std::vector<std::string>{"settings run1.rcf", "new " + Path("run1.csv")}));
  EXPECT_EQ(status[0], "Recorder: RECORDING");
  EXPECT_EQ(status[1], Path("run1.csv"));
}

TEST_F(QguiMainCommands, RecordFollowsTheButtonCaption) {
  struct Case {
    int row;
    bool recording;            // captions switched by SetRecordingState
    std::optional<std::string> dialogAnswer;
    bool recorderWorks;
    std::vector<std::string> calls;
    std::string status0, status1;
  };
  const std::string run = "/tmp/qgui_run.csv";
  const Case cases[] = {
      {1, false, std::nullopt, true, {}, kRecorderStopped, "untitled.csv"},
      {2, true, std::nullopt, true, {"stop"}, "Recorder: STOPPED", "untitled.csv"},
      {3, false, run, false, {"settings qgui_run.rcf", "new " + run}, kRecorderStopped,
       "untitled.csv"},
  };
  for (const auto& c : cases) {
    calls.clear();
    status = {"Recorder: RECORDING", "/x/y.csv", "CPU", "time"};
    if (!c.recording) status = {kRecorderStopped, kUntitledFile, "CPU", "time"};
    recorderWorks = c.recorderWorks;
    commands.SetRecordingState(c.recording);
    if (c.dialogAnswer) ui.PushPath(c.dialogAnswer);
    const size_t before = ui.CallCount();
    commands.FileNewExecute();
    EXPECT_EQ(ui.CallCount() - before, c.recording ? 0u : 1u) << "row " << c.row;
    EXPECT_EQ(calls, c.calls) << "row " << c.row;
    EXPECT_EQ(status[0], c.status0) << "row " << c.row;
    EXPECT_EQ(status[1], c.status1) << "row " << c.row;
  }
  EXPECT_EQ(view.captions.buttonCaption, "Record");
}

TEST_F(QguiMainCommands, AppendToExistingOrMissingFile) {
  std::ofstream(Path("old.csv")) << "x\n";

  ui.PushPath(Path("old.csv"));
  commands.FileAppendExecute();
  EXPECT_EQ(ui.Calls().back().caption, "Append to an existing file");
  EXPECT_FALSE(ui.Calls().back().dialog.overwritePrompt);
  EXPECT_EQ(calls, (std::vector<std::string>{"append " + Path("old.csv")}));
  EXPECT_EQ(status[0], "Recorder: APPENDING");
  EXPECT_EQ(status[1], Path("old.csv"));

  // Missing file, Cancel: asked exactly, nothing else happens.
  calls.clear();
  status = {kRecorderStopped, kUntitledFile, "CPU", "time"};
  ui.ClearCalls();
  ui.PushPath(Path("missing.csv"));
  ui.PushResult(MsgResult::Cancel);
  commands.FileAppendExecute();
  ASSERT_EQ(ui.CallCount(), 2u);
  const UiCall box = ui.Calls()[1];
  EXPECT_EQ(box.caption, "File does not exist");
  EXPECT_EQ(box.text, "Cannot append because " + Path("missing.csv") +
                          " does not exist.  Would you like to start a new recording?");
  EXPECT_EQ(box.buttons, MsgButtons::OkCancel);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(status[0], kRecorderStopped);

  // Missing file, OK: a new recording, no settings file.
  ui.PushPath(Path("missing.csv"));
  ui.PushResult(MsgResult::Ok);
  commands.FileAppendExecute();
  EXPECT_EQ(calls, (std::vector<std::string>{"new " + Path("missing.csv")}));
  EXPECT_EQ(status[0], "Recorder: RECORDING");
  EXPECT_EQ(status[1], Path("missing.csv"));
}

TEST_F(QguiMainCommands, TagOnlyWithConfirmedNonEmptyText) {
  view.lastX = 42;
  ui.PushInput(false, "ignored");
  ui.PushInput(true, "");
  ui.PushInput(true, "valve opened");
  for (int i = 0; i < 3; ++i) commands.TagBtnClick();
  ASSERT_EQ(ui.CallCount(), 3u);
  EXPECT_EQ(ui.Calls()[0].caption, "Event Tag");
  EXPECT_EQ(ui.Calls()[0].text, "Enter a tag for this event.");
  EXPECT_EQ(calls, (std::vector<std::string>{"tag valve opened", "hub tag valve opened at 42"}));
}

TEST_F(QguiMainCommands, ResumeRestoresReplaySettingsOnlyWhenTheyCameBack) {
  const fs::path temp = home / "Saved Settings" / "temp.rcf";
  fs::create_directories(temp.parent_path());
  std::ofstream(temp) << "settings";
  bool restoreWorks = false;
  bool replayEnded = false;
  commands.Hooks().restoreSettings = [&](const fs::path& p) {
    Log("restore " + p.filename().string());
    return restoreWorks;
  };
  commands.Hooks().endReplay = [&] { replayEnded = true; };
  commands.FileResumeExecute();
  EXPECT_TRUE(fs::exists(temp));  // not restored: kept for the next try
  restoreWorks = true;
  commands.FileResumeExecute();
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_EQ(calls, (std::vector<std::string>{"restore temp.rcf", "restore temp.rcf"}));
  EXPECT_TRUE(replayEnded);
  EXPECT_EQ(view.log.back(), "resume off");
  EXPECT_EQ(view.log[view.log.size() - 2], "bar hidden");
  EXPECT_EQ(view.log[view.log.size() - 3], "chart cleared");
}

TEST_F(QguiMainCommands, HelpContentsOpensTheHelpFileOrSaysWhy) {
  commands.HelpContentsExecute();
  ASSERT_EQ(ui.CallCount(), 1u);
  EXPECT_EQ(ui.Calls()[0].kind, UiCall::Kind::MessageBox);
  EXPECT_NE(ui.Calls()[0].text.find("QUIRLO Help.chm could not be found"), std::string::npos);

  fs::create_directories(home / "Help");
  std::ofstream(home / "Help" / "QUIRLO Help.chm") << "help";
  ui.ClearCalls();
  UiAnswer opened;
  opened.accepted = true;
  ui.Push(opened);
  commands.HelpContentsExecute();
  ASSERT_EQ(ui.CallCount(), 1u);
  EXPECT_EQ(ui.Calls()[0].kind, UiCall::Kind::OpenWithDesktop);
  EXPECT_EQ(ui.Calls()[0].text, (home / "Help" / "QUIRLO Help.chm").string());
}

TEST_F(QguiMainCommands, CloseQueryRunsShutDownStepsInOrderAndAllows) {
  commands.Hooks().writeDelimiter = [this] { Log("delimiter"); };
  commands.Hooks().displayCloseQuery = [this] { Log("hub close query"); };
  commands.Hooks().stopChartDrawing = [this] { Log("chart stop"); };
  EXPECT_TRUE(commands.CloseQuery());
  EXPECT_EQ(calls, (std::vector<std::string>{"delimiter", "hub close query", "chart stop"}));
  EXPECT_EQ(ui.CallCount(), 0u);  // it asks nothing itself
}

}  // namespace
}  // namespace quirlo::presentation
