// Local-socket feed: see feed.h for the socket name and the wire format.
//
// The server runs one thread around poll(): it accepts clients, reads their request lines
// and flushes their output buffers. SetItem only appends to those buffers and wakes the
// thread through a pipe, so a publisher on a timer thread never blocks on a slow client.
// A client whose unsent output passes kMaxPending is dropped: a reader that far behind is
// gone or stuck, and it would only ever see stale values.
#include "quirlo/platform/feed.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "quirlo/platform/program_folder.h"

namespace fs = std::filesystem;

namespace quirlo {
namespace {

constexpr std::size_t kMaxPending = 256 * 1024;
constexpr std::size_t kMaxLine = kMaxItemText + 256;

std::string Sanitize(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.';
    if (!ok) c = '_';
  }
  return out;
}

bool MakeAddress(const fs::path& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  const std::string p = path.string();
  if (p.empty() || p.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
  return true;
}

// Connects to the socket at `path`; -1 when no server answers.
int ConnectTo(const fs::path& path) {
  sockaddr_un addr;
  if (!MakeAddress(path, addr)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string CleanText(const std::string& text) {
  std::string out = text.substr(0, kMaxItemText);
  for (char& c : out)
    if (c == '\n' || c == '\r') c = ' ';
  return out;
}

// Splits "A\tB\tC..." into at most `max` fields; the last keeps any further tabs.
std::vector<std::string> SplitFields(const std::string& line, std::size_t max) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (out.size() + 1 < max) {
    auto tab = line.find('\t', start);
    if (tab == std::string::npos) break;
    out.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  out.push_back(line.substr(start));
  return out;
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    // Never wait: the caller holds the link's lock, which Text() needs too.
    const ssize_t w = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else if (w < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

fs::path FeedSocketPath(const std::string& service, const std::string& topic) {
  fs::path dir = "/tmp";
  if (const char* d = std::getenv("QUIRLO_FEED_DIR"); d && *d) {
    dir = d;
  } else if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x && *x) {
    dir = x;
  }
  return dir / ("quirlo-feed-" + Sanitize(service) + "-" + Sanitize(topic) + ".sock");
}

// ---- server ------------------------------------------------------------------------

struct FeedServer::Impl {
  struct Client {
    int fd = -1;
    std::string in;   // partial request line
    std::string out;  // unsent output
    std::set<std::string> advised;
  };

  mutable std::mutex mutex;
  std::map<std::string, std::string> items;
  std::vector<Client> clients;
  int listenFd = -1;
  int wakeRead = -1, wakeWrite = -1;
  bool quit = false;
  std::thread thread;

  static std::string DataLine(const std::string& name, const std::string& text) {
    return "DATA\t" + name + "\t" + text + "\n";
  }

  void Wake() const {
    const char c = 1;
    [[maybe_unused]] auto r = ::write(wakeWrite, &c, 1);
  }

  // Handles one request line of a client (mutex held).
  void Request(Client& c, const std::string& line) {
    const auto f = SplitFields(line, 2);
    if (f.size() != 2) return;
    const std::string& name = f[1];
    auto it = items.find(name);
    const std::string value = it == items.end() ? std::string() : it->second;
    if (f[0] == "ADVISE") {
      c.advised.insert(name);
      c.out += DataLine(name, value);
    } else if (f[0] == "UNADVISE") {
      c.advised.erase(name);
    } else if (f[0] == "REQUEST") {
      c.out += DataLine(name, value);
    }
  }

  // Reads what a client sent; false when it has gone.
  bool ReadFrom(Client& c) {
    char buf[1024];
    while (true) {
      const ssize_t r = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
      if (r == 0) return false;
      if (r < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
      c.in.append(buf, static_cast<std::size_t>(r));
      std::size_t nl;
      while ((nl = c.in.find('\n')) != std::string::npos) {
        Request(c, c.in.substr(0, nl));
        c.in.erase(0, nl + 1);
      }
      if (c.in.size() > kMaxLine) return false;  // not a client of ours
    }
  }

  // Sends what is pending for a client; false when it has gone.
  static bool Flush(Client& c) {
    while (!c.out.empty()) {
      const ssize_t w = ::send(c.fd, c.out.data(), c.out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (w > 0) {
        c.out.erase(0, static_cast<std::size_t>(w));
      } else if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return true;
      } else if (!(w < 0 && errno == EINTR)) {
        return false;
      }
    }
    return true;
  }

  void Loop() {
    std::unique_lock lock(mutex);
    while (!quit) {
      std::vector<pollfd> fds;
      fds.push_back({wakeRead, POLLIN, 0});
      fds.push_back({listenFd, POLLIN, 0});
      for (const auto& c : clients)
        fds.push_back({c.fd, static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
      lock.unlock();
      ::poll(fds.data(), fds.size(), 1000);
      lock.lock();
      if (fds[0].revents & POLLIN) {
        char drain[64];
        while (::read(wakeRead, drain, sizeof drain) > 0) {
        }
      }
      if (fds[1].revents & POLLIN) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) clients.push_back({fd, {}, {}, {}});
      }
      // Clients are only added at the end, so the first fds.size() - 2 match the poll.
      for (std::size_t i = 0; i < clients.size(); ++i) {
        Client& c = clients[i];
        const short ev = i + 2 < fds.size() ? fds[i + 2].revents : 0;
        bool alive = true;
        if (ev & (POLLIN | POLLHUP | POLLERR)) alive = ReadFrom(c);
        if (alive) alive = Flush(c) && c.out.size() <= kMaxPending;
        if (!alive) {
          ::close(c.fd);
          c.fd = -1;
        }
      }
      std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
    }
  }
};

FeedServer::FeedServer(std::string service, std::string topic)
    : service_(std::move(service)),
      topic_(std::move(topic)),
      path_(FeedSocketPath(service_, topic_)),
      impl_(std::make_unique<Impl>()) {}

FeedServer::~FeedServer() { Stop(); }

bool FeedServer::Start() {
  if (running_) return true;
  sockaddr_un addr;
  if (!MakeAddress(path_, addr)) {
    lastError_ = "socket path too long: " + path_.string();
    return false;
  }
  const int probe = ConnectTo(path_);
  if (probe >= 0) {
    ::close(probe);
    lastError_ = "another server already serves " + path_.string();
    return false;
  }
  std::error_code ec;
  fs::remove(path_, ec);  // stale socket of a server that died
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(fd, 16) != 0) {
    lastError_ = "cannot serve " + path_.string() + ": " + std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
    lastError_ = std::string("cannot create a pipe: ") + std::strerror(errno);
    ::close(fd);
    fs::remove(path_, ec);
    return false;
  }
  impl_->listenFd = fd;
  impl_->wakeRead = pipeFds[0];
  impl_->wakeWrite = pipeFds[1];
  impl_->quit = false;
  impl_->thread = std::thread(&Impl::Loop, impl_.get());
  running_ = true;
  return true;
}

void FeedServer::Stop() {
  if (!running_) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->quit = true;
  }
  impl_->Wake();
  impl_->thread.join();
  for (auto& c : impl_->clients) ::close(c.fd);
  impl_->clients.clear();
  ::close(impl_->listenFd);
  ::close(impl_->wakeRead);
  ::close(impl_->wakeWrite);
  impl_->listenFd = impl_->wakeRead = impl_->wakeWrite = -1;
  std::error_code ec;
  fs::remove(path_, ec);
  running_ = false;
}

void FeedServer::SetItem(const std::string& name, const std::string& text) {
  const std::string clean = CleanText(text);
  bool any = false;
  {
    std::lock_guard lock(impl_->mutex);
    auto& value = impl_->items[name];
    if (value == clean) return;
    value = clean;
    for (auto& c : impl_->clients)
      if (c.advised.count(name)) {
        c.out += Impl::DataLine(name, clean);
        any = true;
      }
  }
  if (any && running_) impl_->Wake();
}

std::string FeedServer::Item(const std::string& name) const {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->items.find(name);
  return it == impl_->items.end() ? std::string() : it->second;
}

std::size_t FeedServer::ClientCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->clients.size();
}

// ---- client ------------------------------------------------------------------------

FeedClient::FeedClient() = default;

FeedClient::~FeedClient() { CloseLink(); }

void FeedClient::SetServiceApplication(std::string program) { program_ = std::move(program); }

bool FeedClient::SetLink(const std::string& service, const std::string& topic) {
  CloseLink();
  service_ = service;
  topic_ = topic;
  if (service.empty() || topic.empty()) return false;
  path_ = FeedSocketPath(service, topic);
  sockaddr_un addr;
  return MakeAddress(path_, addr);
}

bool FeedClient::IsOpen() const { return connected_.load(); }

bool FeedClient::Connect() {
  const int fd = ConnectTo(path_);
  if (fd < 0) return false;
  {
    std::lock_guard lock(mutex_);
    fd_ = fd;
  }
  connected_ = true;
  reader_ = std::thread(&FeedClient::ReadLoop, this, fd);
  return true;
}

bool FeedClient::OpenLink() {
  if (IsOpen()) return true;
  if (path_.empty()) return false;
  CloseLink();  // a link whose server went away
  if (Connect()) return true;
  if (program_.empty() || !LaunchServiceApplication()) return false;
  const auto until = std::chrono::steady_clock::now() + launchTimeout_;
  while (std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Connect()) return true;
  }
  return false;
}

bool FeedClient::LaunchServiceApplication() {
  fs::path program = program_;
  if (program.is_relative()) program = ProgramFolder() / program;
  std::error_code ec;
  if (!fs::exists(program, ec) && program.extension() == ".exe") program.replace_extension();
  if (::access(program.c_str(), X_OK) != 0) return false;

  // Start it detached (double fork, own session) so that it outlives the link like the
  // system's launched server would, and never stays behind as a zombie of ours. Only
  // async-signal-safe calls happen between fork and exec.
  const std::string path = program.string();
  const std::string dir = program.parent_path().string();
  char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    // The service application starts with default signal handling, whatever the
    // launching thread blocked (a headless main loop blocks SIGINT and SIGTERM).
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig : {SIGINT, SIGTERM, SIGPIPE, SIGHUP}) ::sigaction(sig, &dfl, nullptr);
    ::setsid();
    if (::fork() != 0) ::_exit(0);
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::execv(path.c_str(), argv);
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

bool FeedClient::Send(const std::string& line) {
  std::lock_guard lock(mutex_);
  return fd_ >= 0 && WriteAll(fd_, line);
}

bool FeedClient::StartAdvise() {
  if (!IsOpen()) return false;
  advising_ = true;
  std::string item;
  {
    std::lock_guard lock(mutex_);
    item = item_;
  }
  return item.empty() || Send("ADVISE\t" + item + "\n");
}

void FeedClient::SetItem(const std::string& item) {
  std::string old;
  {
    std::lock_guard lock(mutex_);
    old = std::exchange(item_, item);
  }
  if (advising_ && !old.empty() && old != item) Send("UNADVISE\t" + old + "\n");
  if (advising_ && !item.empty()) Send("ADVISE\t" + item + "\n");
}

void FeedClient::CloseLink() {
  int fd;
  {
    std::lock_guard lock(mutex_);
    fd = fd_;
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);  // wakes the reader
  }
  if (reader_.joinable()) reader_.join();
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  connected_ = false;
  advising_ = false;
}

std::string FeedClient::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void FeedClient::ReadLoop(int fd) {
  std::string pending;
  char buf[4096];
  while (true) {
    const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    pending.append(buf, static_cast<std::size_t>(r));
    std::size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
      const auto f = SplitFields(pending.substr(0, nl), 3);
      pending.erase(0, nl + 1);
      if (f.size() != 3 || f[0] != "DATA") continue;
      std::lock_guard lock(mutex_);
      if (f[1] != item_) continue;
      text_ = f[2].substr(0, kMaxItemText);
      ++updates_;
    }
    if (pending.size() > kMaxLine) pending.clear();  // not a server of ours
  }
  // The server went away (or CloseLink shut the socket): the last value stays readable.
  connected_ = false;
}

}  // namespace quirlo
