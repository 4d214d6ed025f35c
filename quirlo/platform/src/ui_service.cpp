#include "quirlo/platform/ui_service.h"

#include <filesystem>
#include <iostream>

namespace quirlo {

MsgResult DismissResult(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel: return MsgResult::Cancel;
  }
  return MsgResult::Cancel;
}

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size() && !filter.empty()) {
    auto bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<FileFilter> out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter f{parts[i], {}};
    std::size_t p = 0;
    const std::string& pats = parts[i + 1];
    while (p <= pats.size()) {
      auto semi = pats.find(';', p);
      if (semi == std::string::npos) semi = pats.size();
      if (semi > p) f.patterns.push_back(pats.substr(p, semi - p));
      p = semi + 1;
    }
    if (!f.patterns.empty()) out.push_back(std::move(f));
  }
  return out;
}

std::string ApplyDefaultExtension(const std::string& path, const std::string& ext) {
  if (ext.empty() || path.empty()) return path;
  if (std::filesystem::path(path).filename().has_extension()) return path;
  return path + "." + ext;
}

// ---- ScriptedUiService -------------------------------------------------------------

void ScriptedUiService::Push(UiAnswer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(std::move(answer));
}

void ScriptedUiService::PushResult(MsgResult result) {
  UiAnswer a;
  a.result = result;
  Push(std::move(a));
}

void ScriptedUiService::PushPath(std::optional<std::string> path) {
  UiAnswer a;
  a.path = std::move(path);
  Push(std::move(a));
}

void ScriptedUiService::PushInput(bool accepted, std::string text) {
  UiAnswer a;
  a.accepted = accepted;
  a.text = std::move(text);
  Push(std::move(a));
}

std::vector<UiCall> ScriptedUiService::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::size_t ScriptedUiService::CallCount() const {
  std::lock_guard lock(mutex_);
  return calls_.size();
}

void ScriptedUiService::ClearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

std::optional<UiAnswer> ScriptedUiService::Next() {
  std::lock_guard lock(mutex_);
  if (answers_.empty()) return std::nullopt;
  UiAnswer a = std::move(answers_.front());
  answers_.pop_front();
  return a;
}

void ScriptedUiService::Record(UiCall call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

MsgResult ScriptedUiService::MessageBox(const std::string& text, const std::string& caption,
                                        MsgIcon icon, MsgButtons buttons) {
  Record({UiCall::Kind::MessageBox, text, caption, icon, buttons, {}, {}});
  auto a = Next();
  return a ? a->result : DismissResult(buttons);
}

std::optional<std::string> ScriptedUiService::SaveFileDialog(const FileDialogOptions& o) {
  Record({UiCall::Kind::SaveFile, {}, o.title, MsgIcon::None, MsgButtons::Ok, o, {}});
  auto a = Next();
  return a ? a->path : std::nullopt;
}

std::optional<std::string> ScriptedUiService::OpenFileDialog(const FileDialogOptions& o) {
  Record({UiCall::Kind::OpenFile, {}, o.title, MsgIcon::None, MsgButtons::Ok, o, {}});
  auto a = Next();
  return a ? a->path : std::nullopt;
}

bool ScriptedUiService::InputQuery(const std::string& caption, const std::string& prompt,
                                   std::string& value) {
  Record({UiCall::Kind::InputQuery, prompt, caption, MsgIcon::None, MsgButtons::Ok, {}, value});
  auto a = Next();
  if (!a || !a->accepted) return false;
  value = a->text;
  return true;
}

bool ScriptedUiService::OpenWithDesktop(const std::string& path) {
  Record({UiCall::Kind::OpenWithDesktop, path, {}, MsgIcon::None, MsgButtons::Ok, {}, {}});
  auto a = Next();
  return a && a->accepted;
}

// ---- ConsoleUiService --------------------------------------------------------------

ConsoleUiService::ConsoleUiService(std::ostream& out) : out_(out) {}
ConsoleUiService::ConsoleUiService() : out_(std::cerr) {}

MsgResult ConsoleUiService::MessageBox(const std::string& text, const std::string& caption,
                                       MsgIcon, MsgButtons buttons) {
  std::lock_guard lock(mutex_);
  if (shown_.emplace(caption, text).second) out_ << caption << ": " << text << std::endl;
  return DismissResult(buttons);
}

std::optional<std::string> ConsoleUiService::SaveFileDialog(const FileDialogOptions&) {
  return std::nullopt;
}

std::optional<std::string> ConsoleUiService::OpenFileDialog(const FileDialogOptions&) {
  return std::nullopt;
}

bool ConsoleUiService::InputQuery(const std::string&, const std::string&, std::string&) {
  return false;
}

bool ConsoleUiService::OpenWithDesktop(const std::string& path) {
  std::lock_guard lock(mutex_);
  out_ << "cannot open " << path << " without a desktop" << std::endl;
  return false;
}

}  // namespace quirlo
