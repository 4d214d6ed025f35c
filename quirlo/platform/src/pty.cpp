#include "quirlo/platform/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quirlo {

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

PseudoTerminal::PseudoTerminal(bool nonBlockingMaster) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) throw std::system_error(errno, std::generic_category(), "posix_openpt");
  char name[128] = {};
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0) {
    const int err = errno;
    ::close(master_);
    throw std::system_error(err, std::generic_category(), "pseudo-terminal set-up");
  }
  slavePath_ = name;
  slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slaveHold_ < 0) {
    const int err = errno;
    ::close(master_);
    throw std::system_error(err, std::generic_category(), "open " + slavePath_);
  }
  MakeRaw(slaveHold_);
  if (nonBlockingMaster) ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
  if (slaveHold_ >= 0) ::close(slaveHold_);
  if (master_ >= 0) ::close(master_);
}

}  // namespace quirlo
