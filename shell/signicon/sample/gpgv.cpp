// gpgv runs as a child process: no shell, arguments passed as they are, standard output read
// through a pipe (status lines), standard error and input bound to /dev/null. The program is
// looked up only in the absolute folders of PATH: the component runs inside a file manager
// whose current folder may be any folder it shows, and an empty or relative PATH entry would
// run a "gpgv" found there. The exit status alone is not trusted: a signature counts as valid
// only with status 0 and a VALIDSIG line, and only when the child's status was really
// collected (a host that ignores SIGCHLD or reaps children itself leaves it unknown).
#include "gpgv.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string_view>
#include <vector>

extern char** environ;

namespace signsample {

namespace {

// Decimal text without std::to_string, whose shared digit table would pin the component in
// memory (a unique symbol makes the library impossible to unload).
std::string number(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return text;
}

std::string algorithm_name(int publicKey, int hash) {
  auto pk = [&]() -> std::string {
    switch (publicKey) {
      case 1: return "RSA";
      case 17: return "DSA";
      case 19: return "ECDSA";
      case 22: return "EdDSA";
      default: return "PK" + number(publicKey);
    }
  }();
  auto h = [&]() -> std::string {
    switch (hash) {
      case 2: return "SHA1";
      case 8: return "SHA256";
      case 9: return "SHA384";
      case 10: return "SHA512";
      case 11: return "SHA224";
      default: return "H" + number(hash);
    }
  }();
  return pk + "/" + h;
}

std::string iso_time(const std::string& seconds) {
  char* end = nullptr;
  long long value = std::strtoll(seconds.c_str(), &end, 10);
  if (seconds.empty() || *end) return seconds;  // already ISO form (gpgv may print either)
  std::time_t t = static_cast<std::time_t>(value);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

int to_int(const std::string& s) {
  try {
    return std::stoi(s);
  } catch (...) {
    return -1;
  }
}

bool read_all(int fd, std::string& out) {
  char chunk[4096];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      out.append(chunk, static_cast<std::size_t>(n));
      if (out.size() > (1u << 20)) return false;  // a status stream is never this long
    } else if (n == 0) {
      return true;
    } else if (errno != EINTR) {
      return false;
    }
  }
}

// The first executable `name` in the absolute folders of PATH (the usual folders when PATH is
// not set); empty when there is none.
std::string find_program(std::string_view name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!folders.empty()) {
    std::size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    if (folder.empty() || folder.front() != '/') continue;
    std::string candidate = std::string(folder) + "/" + std::string(name);
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

}  // namespace

void parse_status(const std::string& output, Verification& v) {
  std::istringstream lines(output);
  std::string line;
  const std::string prefix = "[GNUPG:] ";
  while (std::getline(lines, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    std::istringstream words(line.substr(prefix.size()));
    std::string keyword;
    words >> keyword;
    if (keyword == "GOODSIG" || keyword == "BADSIG" || keyword == "EXPSIG" ||
        keyword == "EXPKEYSIG" || keyword == "REVKEYSIG" || keyword == "ERRSIG") {
      if (v.status.empty()) v.status = keyword;
      words >> v.key_id;
      std::getline(words >> std::ws, v.user_id);
      if (keyword == "ERRSIG") v.user_id.clear();  // ERRSIG carries numbers, not a name
    } else if (keyword == "VALIDSIG") {
      // fpr date timestamp expire version reserved pk-algo hash-algo class primary-fpr
      std::vector<std::string> f;
      for (std::string w; words >> w;) f.push_back(w);
      if (f.size() >= 8) {
        v.fingerprint = f[0];
        v.signed_at = iso_time(f[2]);
        v.algorithm = algorithm_name(to_int(f[6]), to_int(f[7]));
      }
    }
  }
}

Verification verify_detached(const std::filesystem::path& keyring,
                             const std::filesystem::path& signature,
                             const std::filesystem::path& file) {
  Verification v;
  const std::string program = find_program("gpgv");
  if (program.empty()) return v;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return v;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  std::string keyring_arg = keyring.string(), sig_arg = signature.string(),
              file_arg = file.string();
  // "--" ends the options, so a file name starting with '-' stays a file name.
  const char* argv[] = {"gpgv", "--status-fd", "1", "--keyring", keyring_arg.c_str(), "--",
                        sig_arg.c_str(), file_arg.c_str(), nullptr};
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                            const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return v;
  }
  std::string output;
  bool complete = read_all(out[0], output);
  close(out[0]);
  int status = 0;
  pid_t reaped;
  while ((reaped = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  v.ran = complete && reaped == pid && WIFEXITED(status);
  parse_status(output, v);
  v.valid = v.ran && WEXITSTATUS(status) == 0 && !v.fingerprint.empty();
  return v;
}

}  // namespace signsample
