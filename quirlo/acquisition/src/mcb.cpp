#include "quirlo/acquisition/mcb.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace quirlo::acquisition {

namespace {

constexpr const char* kNotFoundText = "The data acquisition COM port could not be found.";
constexpr const char* kNotFoundCaption = "Error - Port Not Found";
constexpr const char* kInUseText =
    "The data acquisition COM port is in use by another application.";
constexpr const char* kInUseCaption = "Error - Port In Use";
constexpr const char* kAppTitle = "QUIRLO";
constexpr int kRateEverySteps = 5;  // the simulator's rate frame: every 100 ms

}  // namespace

bool SimulatorField(const std::string& text, const std::string& delimiters, int field,
                    long& value) {
  const std::string work = text.substr(0, kSimulatorTextLimit);
  auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string::npos; };
  std::size_t pos = 0;
  for (int n = 0;; ++n) {
    while (pos < work.size() && isDelimiter(work[pos])) ++pos;
    if (pos >= work.size()) return false;
    std::size_t end = pos;
    while (end < work.size() && !isDelimiter(work[end])) ++end;
    if (n == field) {
      const std::string token = work.substr(pos, end - pos);
      errno = 0;
      long v = std::strtol(token.c_str(), nullptr, 10);
      if (v > INT_MAX) v = INT_MAX;
      if (v < INT_MIN) v = INT_MIN;
      value = v;
      return true;
    }
    pos = end;
  }
}

TMcb::TMcb(TFrameHandler& handler, Dispatcher& dispatcher, UiService& ui)
    : handler_(handler), dispatcher_(dispatcher), ui_(ui) {
  port_.SetBaud(kBoxBaud);
  port_.SetDataBits(8);
  port_.SetStopBits(1);
  port_.SetParity(Parity::None);
}

TMcb::~TMcb() {
  ClosePort();
  if (simulatorOn_.load()) StopSimulator();
  simulatorTimer_.Stop();
}

void TMcb::OpenPort(int n) {
  const char* text = nullptr;
  const char* caption = nullptr;
  {
    std::lock_guard lock(portLock_);
    if (port_.IsOpen() && openNumber_ == n) return;
    port_.Close();
    openNumber_ = 0;
    port_.SetComNumber(n < 1 ? 0 : n);
    if (n < 1) return;  // "Off"
    const std::string path = SerialPort::PathForCom(n);
    if (!SerialPort::ExistsPath(path)) {
      text = kNotFoundText;
      caption = kNotFoundCaption;
    } else if (SerialPort::InUsePath(path) || !port_.Open()) {
      text = kInUseText;
      caption = kInUseCaption;
    } else {
      openNumber_ = n;
    }
  }
  if (text != nullptr) ui_.MessageBox(text, caption, MsgIcon::Error, MsgButtons::Ok);
}

void TMcb::ClosePort() {
  std::lock_guard lock(portLock_);
  port_.Close();
  openNumber_ = 0;
}

bool TMcb::PortOpen() const {
  std::lock_guard lock(portLock_);
  return port_.IsOpen();
}

int TMcb::PortNumber() const {
  std::lock_guard lock(portLock_);
  return port_.ComNumber();
}

void TMcb::Poll() {
  if (simulatorOn_.load()) return;
  std::lock_guard poll(pollLock_);
  for (;;) {
    std::size_t n = 0;
    if (source_ != nullptr) {
      n = source_->ReadWaiting(readBuffer_.data(), readBuffer_.size());
    } else {
      std::lock_guard port(portLock_);
      if (port_.IsOpen()) n = port_.GetBlock(readBuffer_.data(), readBuffer_.size());
    }
    if (n == 0) return;
    receiver_.Feed(readBuffer_.data(), n, *this);
  }
}

void TMcb::SetByteSource(TByteSource* source) {
  std::lock_guard poll(pollLock_);
  source_ = source;
}

void TMcb::OnAnalogFrame(const TAnalogFrame& frame) {
  handler_.OnAnalogFrame(frame);
  handler_.OnDigitalBits(frame.DigitalBits);
}

void TMcb::OnRateFrame(const TRateFrame& frame) { handler_.OnRateFrame(frame); }

void TMcb::OnBadPacket(uint32_t badCount) {
  badPacketCount_.store(badCount);
  std::function<void(const std::string&)> listener;
  {
    std::lock_guard lock(listenerLock_);
    listener = badPacketListener_;
  }
  if (listener) {
    dispatcher_.Post([listener, text = std::to_string(badCount)] { listener(text); });
  }
}

void TMcb::SetBadPacketListener(std::function<void(const std::string&)> listener) {
  std::lock_guard lock(listenerLock_);
  badPacketListener_ = std::move(listener);
}

void TMcb::SendQuadratureMask(uint8_t mask) {
  const TCommand command = EncodeQuadratureMask(mask);
  std::lock_guard lock(portLock_);
  if (!port_.IsOpen()) return;
  // Header and data go out as two blocks, as the box firmware expects them.
  port_.PutBlock(command.data(), kPacketHeaderSize);
  port_.PutBlock(command.data() + kPacketHeaderSize, 1);
}

void TMcb::ResetCount(int index) {
  // A stored channel may name any index; cut to a byte, 256 would reset input 1's count.
  if (index < 0 || index >= kRateInputs) return;
  const TCommand command = EncodeResetTotal(static_cast<uint8_t>(index));
  std::lock_guard lock(portLock_);
  if (!port_.IsOpen()) return;
  port_.PutBlock(command.data(), kPacketHeaderSize);
  port_.PutBlock(command.data() + kPacketHeaderSize, 1);
}

void TMcb::ShowSimulatorError(const std::string& text) {
  ui_.MessageBox(text, kAppTitle, MsgIcon::None, MsgButtons::Ok);
}

void TMcb::StartSimulator() {
  if (simulatorOn_.exchange(true)) return;  // already feeding: one timer only
  feed_.SetServiceApplication(kSimulatorApplication);
  // Each failure is reported and the later steps still run: the timer then reads an
  // empty text, which yields zeros.
  if (!feed_.SetLink(kSimulatorService, kSimulatorTopic)) {
    ShowSimulatorError("Can't set link to data simulator");
  }
  if (!feed_.OpenLink()) ShowSimulatorError("Can't open link to data simulator");
  if (!feed_.StartAdvise()) ShowSimulatorError("Can't start advise link with data simulator");
  feed_.SetItem(kSimulatorItem);
  simulatorTimer_.Start(std::chrono::milliseconds(20), [this] {
    if (simulatorOn_.load()) SimulatorStep(feed_.Text());
  });
}

void TMcb::StopSimulator() {
  simulatorOn_.store(false);
  feed_.CloseLink();
  simulatorTimer_.Stop();
}

void TMcb::SimulatorStep(const std::string& itemText) {
  const std::string delimiters = delimiter_ != nullptr ? delimiter_->Get() : ",";
  // Fields of packed frames are assigned by index: a reference to one may be misaligned.
  for (int i = 0; i < 8; ++i) simAnalog_.Reading[i] = 0;
  long value = 0;
  if (SimulatorField(itemText, delimiters, 1, value)) {
    simAnalog_.Reading[0] = static_cast<uint16_t>(value);
  }
  handler_.OnAnalogFrame(simAnalog_);  // the digital stage is not fed by the simulator

  if (++simSteps_ < kRateEverySteps) return;
  simSteps_ = 0;
  for (int i = 0; i < 6; ++i) simRate_.Frequency[i] = 0;
  for (int i = 1; i < 6; ++i) simRate_.Count[i] = 0;
  long f = 0;
  SimulatorField(itemText, delimiters, 0, f);  // an empty text reads as 0
  const auto frequency = static_cast<int16_t>(f);
  simRate_.Frequency[0] = frequency;
  // The count wraps like the box's own 32-bit counter instead of overflowing.
  simRate_.Count[0] = static_cast<int32_t>(static_cast<uint32_t>(simRate_.Count[0]) +
                                           static_cast<uint32_t>(int32_t{frequency}));
  handler_.OnRateFrame(simRate_);
}

}  // namespace quirlo::acquisition
