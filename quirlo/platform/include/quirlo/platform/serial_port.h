// The serial-port component: one port, opened exclusively, read and written without
// ever blocking the caller (the acquisition cycle polls it from a 20 ms timer tick).
//
// Port numbers: COMn (n >= 1) maps to a device path through section [PORTS] of
// settings.ini in the program's folder, e.g.
//     [PORTS]
//     COM3=/dev/ttyUSB0
// An unmapped COMn maps to /dev/ttyS(n-1) (COM1 = /dev/ttyS0). SetDevicePath names a
// device directly (tests use pseudo-terminals) and takes precedence over the number.
//
// Exclusive use: Open sets TIOCEXCL on the line and takes an flock on the device, so a
// second opener fails whether or not it honours TIOCEXCL (root ignores TIOCEXCL). InUse
// reports a port held that way by anyone, this process included.
//
// Line settings may be changed while the port is open; they apply at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace quirlo {

enum class Parity { None, Odd, Even, Mark, Space };

class SerialPort {
 public:
  static constexpr std::size_t kDefaultOutBuffSize = 4096;

  SerialPort() = default;
  ~SerialPort();  // closes
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Port number n of COMn (0 = none). Clears a device path given by SetDevicePath.
  void SetComNumber(int n);
  int ComNumber() const { return com_; }

  // Uses `path` instead of the COM mapping (empty: back to the mapping).
  void SetDevicePath(std::string path);
  // The device that Open uses: the explicit path, else the mapping of ComNumber().
  std::string DevicePath() const;

  // Line settings. Unsupported values are refused (false) and leave the setting as it
  // was: baud must be a standard rate, data bits 5..8, stop bits 1 or 2. On an open port
  // a value the device refuses is refused the same way (LastError tells why).
  bool SetBaud(int baud);
  bool SetDataBits(int bits);
  bool SetStopBits(int bits);
  bool SetParity(Parity parity);
  int Baud() const { return baud_; }
  int DataBits() const { return dataBits_; }
  int StopBits() const { return stopBits_; }
  Parity GetParity() const { return parity_; }

  // Size of the output buffer that OutBuffFree counts against (default 4096 bytes).
  void SetOutBuffSize(std::size_t bytes) { outBuffSize_ = bytes; }

  // Opens the device in raw mode with the line settings, exclusively. False on failure,
  // with the reason in LastError() (e.g. "cannot open /dev/ttyS2: Device or resource busy").
  bool Open();
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The open descriptor (-1 when closed), for callers that poll or hand it to an emulator.
  int NativeHandle() const { return fd_; }
  const std::string& LastError() const { return lastError_; }

  // Bytes waiting to be read (0 when closed).
  std::size_t InBuffUsed() const;
  // Reads up to n waiting bytes without waiting for more; returns how many were read.
  std::size_t GetBlock(void* buf, std::size_t n);
  // Writes up to n bytes without blocking; returns how many the line took.
  std::size_t PutBlock(const void* buf, std::size_t n);
  // Room left in the output buffer: OutBuffSize minus the bytes still queued (0 when closed).
  std::size_t OutBuffFree() const;

  // Device path of COMn from the [PORTS] section of `iniFile` (default: settings.ini in
  // the program's folder), else /dev/ttyS(n-1). Empty for n < 1.
  static std::string PathForCom(int n);
  static std::string PathForCom(int n, const std::filesystem::path& iniFile);

  // True when the device node of COMn (or `path`) is present; a port held by another
  // program still exists. A standard serial port that the kernel lists without hardware
  // behind it (type 0 in /sys/class/tty/<name>/type) does not exist.
  static bool Exists(int n);
  static bool ExistsPath(const std::string& path);
  // True when someone holds the port exclusively (TIOCEXCL or an flock on it).
  static bool InUse(int n);
  static bool InUsePath(const std::string& path);

 private:
  bool ApplyLine();
  template <class T>
  bool Change(T& setting, T value);

  int com_ = 0;
  std::string explicitPath_;
  int baud_ = 9600;
  int dataBits_ = 8;
  int stopBits_ = 1;
  Parity parity_ = Parity::None;
  std::size_t outBuffSize_ = kDefaultOutBuffSize;
  int fd_ = -1;
  std::string lastError_;
};

namespace detail {
// True when `sysClassTty`/<device name>/type says "0": a legacy port with no UART.
bool SysfsSaysNoUart(const std::string& devicePath, const std::filesystem::path& sysClassTty);
}  // namespace detail

}  // namespace quirlo
