// The main window's commands without the window.
//
// TMainCommands decides what Record, Append, Edit, Tag, Resume, Help and Close do, and keeps
// the recording captions that steer Record. It talks to the user only through UiService and to
// the window only through TMainView, so every decision runs in a test with a scripted user.
// The parts the commands hand over to (recorder, settings manager, display hub, saved-file
// reader, box link) are hooks: an unset hook does nothing, so a command whose target does not
// exist yet is present and harmless.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "quirlo/platform/ui_service.h"
#include "quirlo/presentation/recording_captions.h"

namespace quirlo::presentation {

inline constexpr const char* kCsvFilter = "Comma separated values (*.csv)|*.csv";
inline constexpr const char* kSavedSettingsFolder = "Saved Settings";
inline constexpr const char* kReplaySettingsFile = "temp.rcf";
inline constexpr const char* kHelpFile = "Help/QUIRLO Help.chm";

inline constexpr const char* kRecorderStopped = "Recorder: STOPPED";
inline constexpr const char* kRecorderRecording = "Recorder: RECORDING";
inline constexpr const char* kRecorderAppending = "Recorder: APPENDING";
inline constexpr const char* kUntitledFile = "untitled.csv";

// What the commands need from the window itself.
class TMainView {
 public:
  virtual ~TMainView() = default;
  virtual void ApplyRecordingCaptions(const RecordingCaptions& captions) = 0;
  virtual void SetResumeEnabled(bool enabled) = 0;
  virtual void ShowReplayBar(bool visible) = 0;
  virtual void ClearChart() = 0;
  // x of the last point of the main chart's first series (0 when it has none).
  virtual double LastChartX() = 0;
  virtual void ShowAbout() = 0;
  virtual void CloseWindow() = 0;
};

// Hand-overs to other parts of the program. Each may stay unset.
struct TMainHooks {
  // Status bar texts (StatusText[panel] = text).
  std::function<void(int panel, const std::string& text)> setStatus;
  // Recorder: false when it could not start, in which case the status stays as it was.
  std::function<bool(const std::string& path)> recordNew;
  std::function<bool(const std::string& path)> recordAppend;
  std::function<void()> recordStop;
  std::function<void(const std::string& text)> recordTag;
  // Settings manager: save the complete settings under this name in "Saved Settings";
  // restore from a path (false when it could not).
  std::function<void(const std::string& fileName)> saveSettingsAs;
  std::function<bool(const std::filesystem::path& path)> restoreSettings;
  // Display hub.
  std::function<void(const std::string& text, double x)> addEventTag;
  std::function<void(bool running)> setDisplayRunning;
  std::function<void()> displayCloseQuery;  // custom windows offer to save their changes
  // Replay: clears ReplayActive and ReplayComplete.
  std::function<void()> endReplay;
  // Saved-file reader: true when a graph or replay has started.
  std::function<bool()> graphSavedFile;
  std::function<bool()> replaySavedFile;
  // Shut-down: write the delimiter, stop the chart drawing.
  std::function<void()> writeDelimiter;
  std::function<void()> stopChartDrawing;
};

class TMainCommands {
 public:
  TMainCommands(UiService& ui, TMainView& view, std::filesystem::path programFolder,
                TMainHooks hooks = {});

  TMainHooks& Hooks() { return hooks_; }
  std::filesystem::path DataFolder() const { return programFolder_ / "Data"; }

  // The recorder started (on) or stopped (off): switch captions, hint and Append.
  void SetRecordingState(bool on);
  const RecordingCaptions& Captions() const { return captions_; }

  void FileNewExecute();     // "&Record..." and the Record/Stop button
  void FileAppendExecute();  // "&Append..."
  void FileOpenExecute();    // "&Edit Saved File..."
  void FileGraphExecute();
  void FileReplayExecute();
  void FileResumeExecute();
  void TagBtnClick();
  void HelpAboutExecute() { view_.ShowAbout(); }
  void HelpContentsExecute();
  void FileExitExecute() { view_.CloseWindow(); }
  // The window's close query: runs the shut-down steps that precede destruction. Always true.
  bool CloseQuery();

 private:
  void SetStatus(int panel, const std::string& text);
  bool StartNewRecording(const std::string& path);
  FileDialogOptions CsvDialog(const std::string& title, bool overwritePrompt) const;

  UiService& ui_;
  TMainView& view_;
  std::filesystem::path programFolder_;
  TMainHooks hooks_;
  RecordingCaptions captions_ = RecordingCaptionsFor(false);
};

// The question asked when Append names a file that does not exist.
std::string AppendMissingQuestion(const std::string& path);

}  // namespace quirlo::presentation
