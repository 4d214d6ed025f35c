#include "quirlo/platform/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "quirlo/platform/profile_file.h"
#include "quirlo/platform/program_folder.h"

namespace quirlo {
namespace {

struct BaudEntry {
  int baud;
  speed_t speed;
};
constexpr BaudEntry kBauds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},
    {460800, B460800}, {921600, B921600},
};

bool SpeedFor(int baud, speed_t& speed) {
  for (const auto& e : kBauds)
    if (e.baud == baud) {
      speed = e.speed;
      return true;
    }
  return false;
}

std::string ErrorText(const std::string& what, const std::string& path, int err) {
  return what + " " + path + ": " + std::strerror(err);
}

}  // namespace

SerialPort::~SerialPort() { Close(); }

template <class T>
bool SerialPort::Change(T& setting, T value) {
  const T before = setting;
  setting = value;
  if (!IsOpen() || ApplyLine()) return true;
  setting = before;  // the line refused it (a pseudo-terminal takes 8 data bits only)
  ApplyLine();
  return false;
}

void SerialPort::SetComNumber(int n) {
  com_ = n;
  explicitPath_.clear();
}

void SerialPort::SetDevicePath(std::string path) { explicitPath_ = std::move(path); }

std::string SerialPort::DevicePath() const {
  return explicitPath_.empty() ? PathForCom(com_) : explicitPath_;
}

bool SerialPort::SetBaud(int baud) {
  speed_t unused;
  if (!SpeedFor(baud, unused)) return false;
  return Change(baud_, baud);
}

bool SerialPort::SetDataBits(int bits) {
  if (bits < 5 || bits > 8) return false;
  return Change(dataBits_, bits);
}

bool SerialPort::SetStopBits(int bits) {
  if (bits != 1 && bits != 2) return false;
  return Change(stopBits_, bits);
}

bool SerialPort::SetParity(Parity parity) {
  return Change(parity_, parity);
}

bool SerialPort::ApplyLine() {
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) {
    lastError_ = ErrorText("cannot read line settings of", DevicePath(), errno);
    return false;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[dataBits_ - 5];
  if (stopBits_ == 2) tio.c_cflag |= CSTOPB;
  switch (parity_) {
    case Parity::None: break;
    case Parity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: tio.c_cflag |= PARENB; break;
    case Parity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case Parity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
  }
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  speed_t speed = B9600;
  SpeedFor(baud_, speed);
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    lastError_ = ErrorText("cannot set line settings of", DevicePath(), errno);
    return false;
  }
  return true;
}

bool SerialPort::Open() {
  Close();
  const std::string path = DevicePath();
  if (path.empty()) {
    lastError_ = "no serial port chosen";
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastError_ = ErrorText("cannot open", path, errno);
    return false;
  }
  // The flock stops every cooperating opener (root included); TIOCEXCL stops the rest.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    lastError_ = ErrorText("cannot open", path, errno == EWOULDBLOCK ? EBUSY : errno);
    ::close(fd);
    return false;
  }
  if (!::isatty(fd)) {
    lastError_ = path + " is not a serial device";
    ::close(fd);
    return false;
  }
  ::ioctl(fd, TIOCEXCL);
  fd_ = fd;
  if (!ApplyLine()) {
    Close();
    return false;
  }
  ::tcflush(fd_, TCIOFLUSH);
  lastError_.clear();
  return true;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also drops the flock
  fd_ = -1;
}

std::size_t SerialPort::InBuffUsed() const {
  int n = 0;
  if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
  return static_cast<std::size_t>(n);
}

std::size_t SerialPort::GetBlock(void* buf, std::size_t n) {
  if (fd_ < 0 || n == 0) return 0;
  std::size_t got = 0;
  auto* out = static_cast<unsigned char*>(buf);
  while (got < n) {
    const ssize_t r = ::read(fd_, out + got, n - got);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
    } else if (r < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // nothing more waiting (EAGAIN), end of line, or an error
    }
  }
  return got;
}

std::size_t SerialPort::PutBlock(const void* buf, std::size_t n) {
  if (fd_ < 0 || n == 0) return 0;
  std::size_t put = 0;
  const auto* in = static_cast<const unsigned char*>(buf);
  while (put < n) {
    const ssize_t w = ::write(fd_, in + put, n - put);
    if (w > 0) {
      put += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // the line's buffer is full (EAGAIN) or an error
    }
  }
  return put;
}

std::size_t SerialPort::OutBuffFree() const {
  if (fd_ < 0) return 0;
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) queued = 0;
  const auto q = static_cast<std::size_t>(queued);
  return q >= outBuffSize_ ? 0 : outBuffSize_ - q;
}

std::string SerialPort::PathForCom(int n) { return PathForCom(n, SettingsIniPath()); }

std::string SerialPort::PathForCom(int n, const std::filesystem::path& iniFile) {
  if (n < 1) return {};
  const std::string key = "COM" + std::to_string(n);
  std::string mapped = profile::ReadString(iniFile, "PORTS", key, "");
  if (!mapped.empty()) return mapped;
  return "/dev/ttyS" + std::to_string(n - 1);
}

bool SerialPort::Exists(int n) { return ExistsPath(PathForCom(n)); }

bool SerialPort::ExistsPath(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
         !detail::SysfsSaysNoUart(path, "/sys/class/tty");
}

namespace detail {
bool SysfsSaysNoUart(const std::string& devicePath, const std::filesystem::path& sysClassTty) {
  std::error_code ec;
  const auto real = std::filesystem::canonical(devicePath, ec);  // follows /dev/serial/... links
  const auto name = (ec ? std::filesystem::path(devicePath) : real).filename();
  std::ifstream type(sysClassTty / name / "type");
  int value = -1;
  return type >> value && value == 0;
}
}  // namespace detail

bool SerialPort::InUse(int n) { return InUsePath(PathForCom(n)); }

bool SerialPort::InUsePath(const std::string& path) {
  if (path.empty()) return false;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY;  // TIOCEXCL held by someone else
  const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

}  // namespace quirlo
