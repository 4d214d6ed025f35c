// User-interface services the program's logic calls without knowing the toolkit:
// message boxes, file dialogs, an input query and "open with the desktop".
//
// The Qt front end implements UiService with real dialogs. ScriptedUiService answers
// from a queue and records every call (tests); ConsoleUiService serves the headless
// program (messages to stderr, every question answered in the negative).
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quirlo {

enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { None, Ok, Cancel, Yes, No, Retry };

// The answer a box gives when the user dismisses it: Cancel where there is one, No for
// Yes/No, Ok for a box with only OK.
MsgResult DismissResult(MsgButtons buttons);

struct FileDialogOptions {
  std::string title;
  // Filter in the form "Comma separated values (*.csv)|*.csv|All files (*.*)|*.*".
  std::string filter;
  std::string defaultExt;  // without the dot, added when the chosen name has none
  std::string initialDir;
  std::string fileName;  // proposed name
  bool overwritePrompt = false;  // save: ask before replacing an existing file
  bool mustExist = false;        // open: only existing files may be chosen
};

struct FileFilter {
  std::string description;            // "Comma separated values (*.csv)"
  std::vector<std::string> patterns;  // {"*.csv"}
};
// Splits a "Desc|pattern;pattern|Desc|pattern" filter into its entries. A trailing
// description without patterns is dropped.
std::vector<FileFilter> ParseFileFilter(const std::string& filter);

// Appends "." + ext to `path` when its file name has no extension and ext is not empty.
std::string ApplyDefaultExtension(const std::string& path, const std::string& ext);

class UiService {
 public:
  virtual ~UiService() = default;
  virtual MsgResult MessageBox(const std::string& text, const std::string& caption,
                               MsgIcon icon, MsgButtons buttons) = 0;
  // Chosen path, or nothing when cancelled.
  virtual std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> OpenFileDialog(const FileDialogOptions& options) = 0;
  // Shows `value` for editing; true (and `value` changed) on OK, false on Cancel.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt,
                          std::string& value) = 0;
  // Opens `path` in the desktop's default application for it; false when that failed.
  virtual bool OpenWithDesktop(const std::string& path) = 0;
};

// One call made to a ScriptedUiService.
struct UiCall {
  enum class Kind { MessageBox, SaveFile, OpenFile, InputQuery, OpenWithDesktop };
  Kind kind{};
  std::string text;     // message text, input prompt, or the path to open
  std::string caption;  // message caption, input caption, or the dialog title
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
  FileDialogOptions dialog;  // file dialogs only
  std::string value;         // input query: the text shown to the user
};

// One scripted answer; each call takes the next answer from the queue.
struct UiAnswer {
  MsgResult result = MsgResult::Cancel;  // message boxes
  std::optional<std::string> path;       // file dialogs (nothing = cancelled)
  bool accepted = false;                 // input query, open-with-desktop
  std::string text;                      // input query: the new value when accepted
};

class ScriptedUiService final : public UiService {
 public:
  void Push(UiAnswer answer);
  void PushResult(MsgResult result);
  void PushPath(std::optional<std::string> path);
  void PushInput(bool accepted, std::string text = {});

  // Calls in order. Without a queued answer, a message box answers as dismissed
  // (DismissResult), a dialog is cancelled, an input query and open-with-desktop fail.
  std::vector<UiCall> Calls() const;
  std::size_t CallCount() const;
  void ClearCalls();

  MsgResult MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       MsgButtons buttons) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenWithDesktop(const std::string& path) override;

 private:
  std::optional<UiAnswer> Next();
  void Record(UiCall call);

  mutable std::mutex mutex_;
  std::deque<UiAnswer> answers_;
  std::vector<UiCall> calls_;
};

// Headless program: each distinct message box (caption and text) is written once to the
// stream as "caption: text" and answered as dismissed; dialogs are cancelled, queries and
// open-with-desktop fail.
class ConsoleUiService final : public UiService {
 public:
  explicit ConsoleUiService(std::ostream& out);
  ConsoleUiService();  // writes to std::cerr

  MsgResult MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       MsgButtons buttons) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenWithDesktop(const std::string& path) override;

 private:
  std::mutex mutex_;
  std::ostream& out_;
  std::set<std::pair<std::string, std::string>> shown_;
};

}  // namespace quirlo
