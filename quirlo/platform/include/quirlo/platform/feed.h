// The simulator feed: a publish/subscribe conversation on a local (Unix domain) socket,
// carrying items whose values are short texts (the data simulator publishes item
// "QLSimServer" of service "QLSim", topic "Data": fields separated by the delimiter).
//
// Socket: one stream socket per service and topic, at
//     <dir>/quirlo-feed-<service>-<topic>.sock
// where <dir> is $QUIRLO_FEED_DIR, else $XDG_RUNTIME_DIR, else /tmp; characters other
// than letters, digits, '-', '_' and '.' in the names become '_'.
//
// Wire format: lines of text ending in '\n'; fields within a line are separated by one
// TAB. Item names hold no TAB or line break; item texts may hold anything but '\n' and
// '\r' (the server replaces those by blanks). Texts longer than kMaxItemText are cut.
//   client -> server   "ADVISE\t<item>"    send the value now and after every change
//                      "UNADVISE\t<item>"  stop sending that item
//                      "REQUEST\t<item>"   send the value once
//   server -> client   "DATA\t<item>\t<text>"  (an unknown item has the empty text)
// Lines of another shape are ignored by both sides.
//
// The client mirrors the steps of the conversation the link goes through, so each step
// can fail on its own: SetServiceApplication, SetLink, OpenLink (launching the service
// application from the program's folder when no server answers, then waiting a bounded
// time), StartAdvise, SetItem; Text() is the item's latest value.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quirlo {

inline constexpr std::size_t kMaxItemText = 4096;

std::filesystem::path FeedSocketPath(const std::string& service, const std::string& topic);

class FeedServer {
 public:
  FeedServer(std::string service, std::string topic);
  ~FeedServer();  // stops
  FeedServer(const FeedServer&) = delete;
  FeedServer& operator=(const FeedServer&) = delete;

  // Binds the socket and starts serving on a thread of its own. Fails (LastError) when
  // another live server already serves the same service and topic; a stale socket file
  // left by a dead server is replaced.
  bool Start();
  void Stop();  // disconnects every client and removes the socket file
  bool IsRunning() const { return running_.load(); }
  const std::string& LastError() const { return lastError_; }
  std::filesystem::path SocketPath() const { return path_; }

  // Sets an item's value and pushes it to every client advised on it. Thread-safe.
  void SetItem(const std::string& name, const std::string& text);
  std::string Item(const std::string& name) const;
  std::size_t ClientCount() const;

 private:
  struct Impl;
  std::string service_, topic_;
  std::filesystem::path path_;
  std::unique_ptr<Impl> impl_;
  std::atomic<bool> running_{false};
  std::string lastError_;
};

class FeedClient {
 public:
  FeedClient();
  ~FeedClient();  // closes the link
  FeedClient(const FeedClient&) = delete;
  FeedClient& operator=(const FeedClient&) = delete;

  // Program launched by OpenLink when no server answers: an absolute path, or a name
  // resolved in the program's folder. A name ending in ".exe" that does not exist there
  // falls back to the name without it ("QLSim.exe" -> "QLSim").
  void SetServiceApplication(std::string program);
  // How long OpenLink waits for a launched service application to answer (default 5 s).
  void SetLaunchTimeout(std::chrono::milliseconds timeout) { launchTimeout_ = timeout; }

  // Names the service and topic; false when either is empty or the socket path would be
  // too long.
  bool SetLink(const std::string& service, const std::string& topic);
  // Connects to the server; launches the service application if none answers and waits
  // for it. False when no server could be reached.
  bool OpenLink();
  // From now on the item named by SetItem is kept current. False when the link is not open.
  bool StartAdvise();
  // Names the item (advised at once when advising has started).
  void SetItem(const std::string& item);
  void CloseLink();
  bool IsOpen() const;

  // The item's latest value ("" before the first one). Thread-safe.
  std::string Text() const;
  // Number of values received so far (lets callers and tests see that updates arrive).
  std::uint64_t UpdateCount() const { return updates_.load(); }

 private:
  bool Connect();
  bool Send(const std::string& line);
  void ReadLoop(int fd);
  bool LaunchServiceApplication();

  std::string program_;
  std::string service_, topic_, item_;
  std::filesystem::path path_;
  std::chrono::milliseconds launchTimeout_{5000};
  bool advising_ = false;

  mutable std::mutex mutex_;  // guards text_, item_, fd_ and writes to the socket
  std::string text_;
  int fd_ = -1;
  std::thread reader_;
  std::atomic<std::uint64_t> updates_{0};
  std::atomic<bool> connected_{false};
};

}  // namespace quirlo
