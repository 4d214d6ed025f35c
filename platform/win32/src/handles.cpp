#include "win32/handles.h"

#include "win32/error.h"

#include <mutex>
#include <unordered_map>

namespace win32 {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<ULONG_PTR, std::shared_ptr<KernelObject>> objects;
  ULONG_PTR next = 4;
};

Table& table() {
  static Table t;
  return t;
}

}  // namespace

HANDLE handle_new(std::shared_ptr<KernelObject> object) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  while (t.objects.count(t.next) || t.next == 0 || reinterpret_cast<HANDLE>(t.next) == INVALID_HANDLE_VALUE)
    t.next += 4;
  ULONG_PTR const id = t.next;
  t.next += 4;
  t.objects.emplace(id, std::move(object));
  return reinterpret_cast<HANDLE>(id);
}

std::shared_ptr<KernelObject> handle_get(HANDLE handle) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<ULONG_PTR>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

}  // namespace win32

extern "C" BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<win32::KernelObject> object;  // released after the table's lock
  {
    win32::Table& t = win32::table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == t.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = std::move(it->second);
    t.objects.erase(it);
  }
  return TRUE;
}
