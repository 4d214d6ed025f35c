// UiService with real Qt dialogs: message boxes, file dialogs, the input dialog and the
// desktop's default application.
//
// Dialogs are modal and belong to the Qt thread. A call from any other thread must not wait
// for the user there (a timer thread blocked on a dialog would stall acquisition, and one
// blocked while the Qt thread stops that timer would never return), so such a call shows a
// message box later on the Qt thread and answers at once as dismissed; file dialogs and
// queries from other threads are cancelled.
#pragma once

#include "quirlo/platform/ui_service.h"

class QWidget;

namespace quirlo::presentation {

class TQtUiService final : public UiService {
 public:
  MsgResult MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                       MsgButtons buttons) override;
  std::optional<std::string> SaveFileDialog(const FileDialogOptions& options) override;
  std::optional<std::string> OpenFileDialog(const FileDialogOptions& options) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  bool OpenWithDesktop(const std::string& path) override;

 private:
  static bool OnQtThread();
  static QWidget* Owner();
};

}  // namespace quirlo::presentation
