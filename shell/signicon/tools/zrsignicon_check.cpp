// zrsignicon-check: installs the overlay handler and a signature component in a machine root
// and asks the handler, as a file manager would, which files get the signature overlay.
//
//   zrsignicon-check [--root DIR] [--handler LIB] [--component LIB] [--no-register]
//                    [--watch DIR [--times N]] [PATH...]
//
// The handler is created through the object runtime by its class identifier, exactly as a file
// manager creates it, so the registration is exercised too. Each PATH prints one line:
// "<path>: overlay" or "<path>: no overlay". With --watch the folder is listed once per second
// (N times, or until interrupted), each entry marked "[S]" when the overlay is shown.
#include "registration.h"

#include "signicon/overlay.h"
#include "signicon/sample_ids.h"

#include "win32/error.h"
#include "win32/module.h"
#include "win32/root.h"
#include "win32/shlobj.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t interrupted = 0;

struct Options {
  std::string root;
  fs::path handler;
  fs::path component;
  bool do_register = true;
  fs::path watch;
  long times = -1;  // listings to print with --watch; -1: until interrupted
  std::vector<fs::path> paths;
};

void usage(std::ostream& out) {
  out << "usage: zrsignicon-check [--root DIR] [--handler LIB] [--component LIB] "
         "[--no-register] [--watch DIR [--times N]] [PATH...]\n"
         "  --root DIR       machine root to register in (default: $W32_MACHINE_ROOT)\n"
         "  --handler LIB    overlay handler library (default: libZrSignIcon.so beside this "
         "program)\n"
         "  --component LIB  signature component (default: libZrSignSample.so beside this "
         "program;\n"
         "                   its keyring is trustedkeys.gpg in the component's folder)\n"
         "  --no-register    use the classes already registered in the machine root\n"
         "  --watch DIR      list DIR once per second with the overlay of each entry\n"
         "  --times N        stop --watch after N listings\n";
}

fs::path beside_program(const char* name) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::current_path() : self.parent_path()) / name;
}

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::cerr << "zrsignicon-check: " << a << " needs " << what << "\n";
        return nullptr;
      }
      return argv[++i];
    };
    const char* v = nullptr;
    if (a == "--help" || a == "-h") {
      usage(std::cout);
      std::exit(0);
    } else if (a == "--root") {
      if (!(v = value("a folder"))) return false;
      o.root = v;
    } else if (a == "--handler") {
      if (!(v = value("a library"))) return false;
      o.handler = v;
    } else if (a == "--component") {
      if (!(v = value("a library"))) return false;
      o.component = v;
    } else if (a == "--no-register") {
      o.do_register = false;
    } else if (a == "--watch") {
      if (!(v = value("a folder"))) return false;
      o.watch = v;
    } else if (a == "--times") {
      if (!(v = value("a count"))) return false;
      char* end = nullptr;
      o.times = std::strtol(v, &end, 10);
      if (*end || o.times <= 0) {
        std::cerr << "zrsignicon-check: --times needs a positive count, not \"" << v << "\"\n";
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      std::cerr << "zrsignicon-check: unknown option " << a << "\n";
      return false;
    } else {
      o.paths.emplace_back(a);
    }
  }
  if (o.paths.empty() && o.watch.empty()) {
    std::cerr << "zrsignicon-check: nothing to check (give paths or --watch DIR)\n";
    return false;
  }
  return true;
}

bool install(const Options& o) {
  fs::path handler = o.handler.empty() ? beside_program("libZrSignIcon.so") : o.handler;
  fs::path component = o.component.empty() ? beside_program("libZrSignSample.so") : o.component;
  for (const fs::path* lib : {&handler, &component}) {
    std::error_code ec;
    if (!fs::is_regular_file(*lib, ec)) {
      std::cerr << "zrsignicon-check: library not found: " << lib->string() << "\n";
      return false;
    }
  }
  LONG rc = signicon::register_overlay_handler(fs::absolute(handler));
  if (rc == ERROR_SUCCESS)
    rc = signicon::register_signature_component(
        fs::absolute(component), {CLSID_SignatureTypeRegistry, CLSID_DetachedOpenPgpReader});
  if (rc != ERROR_SUCCESS) {
    std::cerr << "zrsignicon-check: cannot register the classes in the machine root "
              << win32::machine_root().string() << ": " << signicon::registry_error_text(rc)
              << "\n";
    return false;
  }
  return true;
}

bool shows_overlay(IShellIconOverlayIdentifier* id, const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::absolute(path, ec);
  std::u16string wide = win32::widen_utf8((ec ? path : full).string());
  return id->IsMemberOf(wide.c_str(), 0) == S_OK;
}

void list_folder(IShellIconOverlayIdentifier* id, const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(it->path());
  std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", std::localtime(&now));
  if (ec) {
    std::cout << stamp << " " << folder.string() << ": cannot list: " << ec.message()
              << std::endl;
    return;
  }
  std::sort(entries.begin(), entries.end());
  std::cout << stamp << " " << folder.string() << " (" << entries.size() << " entries)\n";
  for (const fs::path& e : entries)
    std::cout << (shows_overlay(id, e) ? "  [S] " : "  [ ] ") << e.filename().string() << "\n";
  std::cout << std::flush;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    usage(std::cerr);
    return 2;
  }
  if (!o.root.empty()) setenv("W32_MACHINE_ROOT", o.root.c_str(), 1);
  if (!win32::ensure_machine_root()) {
    std::cerr << "zrsignicon-check: cannot create the machine root "
              << win32::machine_root().string() << "\n";
    return 1;
  }
  if (o.do_register && !install(o)) return 1;

  CoInitialize(nullptr);
  IShellIconOverlayIdentifier* id = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_DigSigIconOverlayIdentifier, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&id));
  if (FAILED(hr) || !id) {
    std::cerr << "zrsignicon-check: cannot create the overlay handler "
              << win32::guid_text_utf8(CLSID_DigSigIconOverlayIdentifier) << ": HRESULT 0x"
              << std::hex << static_cast<DWORD>(hr) << std::dec << "\n";
    CoUninitialize();
    return 1;
  }

  for (const fs::path& p : o.paths)
    std::cout << p.string() << (shows_overlay(id, p) ? ": overlay" : ": no overlay") << "\n";
  std::cout << std::flush;

  if (!o.watch.empty()) {
    std::signal(SIGINT, [](int) { interrupted = 1; });
    std::signal(SIGTERM, [](int) { interrupted = 1; });
    for (long n = 0; !interrupted && (o.times < 0 || n < o.times); ++n) {
      if (n > 0) std::this_thread::sleep_for(std::chrono::seconds(1));
      if (interrupted) break;
      list_folder(id, o.watch);
    }
  }

  id->Release();
  CoFreeUnusedLibraries();
  CoUninitialize();
  return 0;
}
