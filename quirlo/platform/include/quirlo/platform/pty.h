// A pseudo-terminal pair in raw mode: the master side plays a serial device (the box
// emulator, tests), the slave path is what a SerialPort opens.
//
// The pair keeps a descriptor of its own on the slave side open for its whole life, so
// that the master never sees a hang-up (EIO) while the program under test closes and
// reopens the port, and bytes written by the master wait for the next reader. That
// descriptor takes no lock, so a SerialPort can still open the slave exclusively.
#pragma once

#include <string>

namespace quirlo {

class PseudoTerminal {
 public:
  // Opens the pair; throws std::system_error when the system has no pseudo-terminal left.
  // The master is non-blocking when `nonBlockingMaster` is set.
  explicit PseudoTerminal(bool nonBlockingMaster = true);
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  int master_ = -1;
  int slaveHold_ = -1;
  std::string slavePath_;
};

// Puts a terminal descriptor into raw mode (no echo, no line editing, no translation,
// 8 data bits). Returns false when `fd` is not a terminal.
bool MakeRaw(int fd);

}  // namespace quirlo
