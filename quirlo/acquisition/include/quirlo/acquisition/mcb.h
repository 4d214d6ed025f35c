// TMcb: the link to the acquisition box.
//
// It owns the box's serial port (57600 baud, 8N1, fixed), cuts the incoming bytes into
// packets on every master timer tick (Poll), hands good payloads to the input stages and
// counts bad ones, and sends the box's two commands. It also owns the two stand-ins for
// the box: the data simulator feed (service "QLSim", a 20 ms timer of its own) and, by
// forwarding to the computation, the coiled tubing demonstration.
//
// Threads: OpenPort and the simulator switch come from the user interface; Poll from the
// master timer; the commands from either (a total reset runs inside a computation step);
// the simulator step from the simulator timer. A port lock, held only around port calls,
// keeps them apart, so the port can be closed or reopened while the master timer runs. The bad-packet count reaches the screen through the
// dispatcher, never from the timer thread directly.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "quirlo/acquisition/acquisition_state.h"
#include "quirlo/acquisition/packet.h"
#include "quirlo/platform/dispatcher.h"
#include "quirlo/platform/feed.h"
#include "quirlo/platform/periodic_timer.h"
#include "quirlo/platform/serial_port.h"
#include "quirlo/platform/ui_service.h"

namespace quirlo::acquisition {

// Where decoded payloads go. Called on the master timer or simulator thread.
class TFrameHandler {
 public:
  virtual ~TFrameHandler() = default;
  virtual void OnAnalogFrame(const TAnalogFrame& frame) = 0;  // calibration, then compute
  virtual void OnDigitalBits(uint8_t bits) = 0;               // after the analog frame
  virtual void OnRateFrame(const TRateFrame& frame) = 0;
};

// What Poll reads from: the serial port, or (benchmarks, tests) any other byte stream.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Up to `max` bytes already waiting; 0 when none. Never blocks.
  virtual std::size_t ReadWaiting(uint8_t* buffer, std::size_t max) = 0;
};

inline constexpr int kBoxBaud = 57600;
inline constexpr const char* kSimulatorApplication = "QLSim.exe";
inline constexpr const char* kSimulatorService = "QLSim";
inline constexpr const char* kSimulatorTopic = "Data";
inline constexpr const char* kSimulatorItem = "QLSimServer";
inline constexpr std::size_t kSimulatorTextLimit = 511;  // characters of the item used

// Field `field` (0-based) of a simulator text split at the characters of `delimiters`
// (runs of them count as one, leading ones are skipped; only the first 511 characters of
// the text are used), read as a leading decimal integer: no digits give 0, values beyond
// the int range are clamped. False when the text has no such field.
bool SimulatorField(const std::string& text, const std::string& delimiters, int field,
                    long& value);

class TMcb : private TPacketSink {
 public:
  TMcb(TFrameHandler& handler, Dispatcher& dispatcher, UiService& ui);
  ~TMcb() override;  // closes the port, stops the simulator
  TMcb(const TMcb&) = delete;
  TMcb& operator=(const TMcb&) = delete;

  // Opens the box's port COMn (see the class comment); n < 1 means "Off": the port is
  // closed and nothing is reported. A missing or busy port is reported once per call.
  void OpenPort(int n);
  void ClosePort();
  bool PortOpen() const;
  int PortNumber() const;

  // Reads and decodes every waiting byte; payloads are processed within this call.
  void Poll();

  // Box commands; nothing is sent while the port is closed, nor for an index outside the
  // six frequency inputs (0..5).
  void SendQuadratureMask(uint8_t mask);
  void ResetCount(int index);

  // The data simulator feed replaces the box while on.
  void StartSimulator();
  void StopSimulator();
  bool SimulatorOn() const { return simulatorOn_.load(); }
  // One simulator step on a given item text (the simulator timer passes the feed's text).
  void SimulatorStep(const std::string& itemText);

  // Field separator used to split the simulator text (default ",").
  void SetDelimiter(const TSharedText* delimiter) { delimiter_ = delimiter; }

  uint32_t BadPacketCount() const { return badPacketCount_.load(); }
  // Receives the decimal bad-packet count on the dispatcher's thread.
  void SetBadPacketListener(std::function<void(const std::string&)> listener);

  // Reads from `source` instead of the serial port (nullptr: back to the port).
  void SetByteSource(TByteSource* source);

 private:
  void OnAnalogFrame(const TAnalogFrame& frame) override;
  void OnRateFrame(const TRateFrame& frame) override;
  void OnBadPacket(uint32_t badCount) override;
  void ShowSimulatorError(const std::string& text);

  TFrameHandler& handler_;
  Dispatcher& dispatcher_;
  UiService& ui_;

  // Lock order: pollLock_, then the acquisition lock (inside the handlers), then
  // portLock_; portLock_ is only ever held around port calls, never while dispatching.
  std::mutex pollLock_;  // guards receiver_, source_, readBuffer_
  TPacketReceiver receiver_;
  TByteSource* source_ = nullptr;
  std::array<uint8_t, 512> readBuffer_{};
  mutable std::mutex portLock_;  // guards port_, openNumber_
  SerialPort port_;
  int openNumber_ = 0;

  std::atomic<uint32_t> badPacketCount_{0};
  std::mutex listenerLock_;
  std::function<void(const std::string&)> badPacketListener_;

  std::atomic<bool> simulatorOn_{false};
  const TSharedText* delimiter_ = nullptr;
  FeedClient feed_;
  PeriodicTimer simulatorTimer_;
  TAnalogFrame simAnalog_{};  // simulator thread only
  TRateFrame simRate_{};      // simulator thread only; Count[0] accumulates
  int simSteps_ = 0;          // simulator thread only
};

}  // namespace quirlo::acquisition
