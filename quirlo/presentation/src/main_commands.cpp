#include "quirlo/presentation/main_commands.h"

#include <system_error>

#include "quirlo/presentation/file_filter.h"

namespace quirlo::presentation {

namespace fs = std::filesystem;

std::string AppendMissingQuestion(const std::string& path) {
  return "Cannot append because " + path + " does not exist.  " +
         "Would you like to start a new recording?";
}

TMainCommands::TMainCommands(UiService& ui, TMainView& view, fs::path programFolder,
                             TMainHooks hooks)
    : ui_(ui), view_(view), programFolder_(std::move(programFolder)), hooks_(std::move(hooks)) {}

void TMainCommands::SetStatus(int panel, const std::string& text) {
  if (hooks_.setStatus) hooks_.setStatus(panel, text);
}

void TMainCommands::SetRecordingState(bool on) {
  captions_ = RecordingCaptionsFor(on);
  view_.ApplyRecordingCaptions(captions_);
}

FileDialogOptions TMainCommands::CsvDialog(const std::string& title, bool overwritePrompt) const {
  FileDialogOptions o;
  o.title = title;
  o.filter = kCsvFilter;
  o.defaultExt = "csv";
  o.initialDir = DataFolder().string();
  o.overwritePrompt = overwritePrompt;
  return o;
}

bool TMainCommands::StartNewRecording(const std::string& path) {
  // Without a recorder nothing is recorded, so the status bar must not claim otherwise.
  if (!hooks_.recordNew || !hooks_.recordNew(path)) return false;
  SetStatus(0, kRecorderRecording);
  SetStatus(1, path);
  return true;
}

void TMainCommands::FileNewExecute() {
  // The button's caption is the recorder's state as the user sees it.
  if (captions_.buttonCaption == kRecordCaption) {
    const auto path = ui_.SaveFileDialog(CsvDialog("Record a new file", true));
    if (!path) return;
    if (hooks_.saveSettingsAs) hooks_.saveSettingsAs(FileNameOf(ChangeExtension(*path, ".rcf")));
    StartNewRecording(*path);
  } else if (captions_.buttonCaption == kStopCaption) {
    if (hooks_.recordStop) hooks_.recordStop();
    SetStatus(0, kRecorderStopped);
    SetStatus(1, kUntitledFile);
  }
}

void TMainCommands::FileAppendExecute() {
  const auto path = ui_.SaveFileDialog(CsvDialog("Append to an existing file", false));
  if (!path) return;
  std::error_code ec;
  if (fs::is_regular_file(*path, ec)) {
    if (!hooks_.recordAppend || !hooks_.recordAppend(*path)) return;
    SetStatus(0, kRecorderAppending);
    SetStatus(1, *path);
    return;
  }
  const MsgResult answer = ui_.MessageBox(AppendMissingQuestion(*path), "File does not exist",
                                          MsgIcon::Question, MsgButtons::OkCancel);
  if (answer == MsgResult::Ok) StartNewRecording(*path);
}

void TMainCommands::FileOpenExecute() {
  FileDialogOptions o = CsvDialog("Open a file", false);
  o.mustExist = true;
  const auto path = ui_.OpenFileDialog(o);
  if (!path) return;
  if (!ui_.OpenWithDesktop(*path))
    ui_.MessageBox("Cannot open " + *path + " with the desktop's application for it.",
                   "Edit Saved File", MsgIcon::Error, MsgButtons::Ok);
}

void TMainCommands::FileGraphExecute() {
  if (hooks_.graphSavedFile && hooks_.graphSavedFile()) view_.SetResumeEnabled(true);
}

void TMainCommands::FileReplayExecute() {
  if (hooks_.replaySavedFile && hooks_.replaySavedFile()) view_.SetResumeEnabled(true);
}

void TMainCommands::FileResumeExecute() {
  const fs::path temp = programFolder_ / kSavedSettingsFolder / kReplaySettingsFile;
  std::error_code ec;
  if (fs::is_regular_file(temp, ec)) {
    // The file holds the settings from before the replay; it goes only once they are back.
    if (hooks_.restoreSettings && hooks_.restoreSettings(temp)) fs::remove(temp, ec);
  }
  view_.ClearChart();
  if (hooks_.setDisplayRunning) hooks_.setDisplayRunning(true);
  if (hooks_.endReplay) hooks_.endReplay();
  view_.ShowReplayBar(false);
  view_.SetResumeEnabled(false);
}

void TMainCommands::TagBtnClick() {
  const double x = view_.LastChartX();
  std::string text;
  if (!ui_.InputQuery("Event Tag", "Enter a tag for this event.", text) || text.empty()) return;
  if (hooks_.recordTag) hooks_.recordTag(text);
  if (hooks_.addEventTag) hooks_.addEventTag(text, x);
}

void TMainCommands::HelpContentsExecute() {
  const fs::path help = programFolder_ / kHelpFile;
  std::error_code ec;
  if (!fs::is_regular_file(help, ec)) {
    ui_.MessageBox("The help file " + help.string() + " could not be found.", "Help",
                   MsgIcon::Error, MsgButtons::Ok);
  } else if (!ui_.OpenWithDesktop(help.string())) {
    ui_.MessageBox("The help file " + help.string() + " could not be opened.", "Help",
                   MsgIcon::Error, MsgButtons::Ok);
  }
}

bool TMainCommands::CloseQuery() {
  if (hooks_.writeDelimiter) hooks_.writeDelimiter();
  if (hooks_.displayCloseQuery) hooks_.displayCloseQuery();
  if (hooks_.stopChartDrawing) hooks_.stopChartDrawing();
  return true;
}

}  // namespace quirlo::presentation
