// What the Record command and its button show while the recorder is idle or busy.
//
// The Record button is also the Stop button: its caption decides what a press means (see
// TMainCommands), so the caption is the state and must switch exactly with the recorder.
#pragma once

#include <string_view>

namespace quirlo::presentation {

inline constexpr std::string_view kRecordCaption = "Record";
inline constexpr std::string_view kStopCaption = "Stop";

struct RecordingCaptions {
  std::string_view actionCaption;  // the menu item "&Record..." becomes these
  int imageIndex;
  std::string_view buttonCaption;
  std::string_view buttonHint;
  bool appendEnabled;
};

constexpr RecordingCaptions RecordingCaptionsFor(bool recording) {
  if (recording) return {"Stop Recording", 24, kStopCaption, "Stop recording", false};
  return {"Record...", 17, kRecordCaption, "Begin a new recording", true};
}

}  // namespace quirlo::presentation
