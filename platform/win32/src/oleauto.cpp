// BSTR allocation. Every BSTR comes from malloc with its 4-byte length prefix in front; the
// live count and the per-thread failure switch make leaks and allocation failures testable.
#include "win32/oleauto.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kPrefix = sizeof(DWORD);

std::atomic<long> live_bstrs{0};
// Remaining successful allocations before failures start; negative: no failure injected.
thread_local long allocations_until_failure = -1;
thread_local long refused_allocations = 0;

BSTR allocate_bytes(const void* data, std::size_t bytes) {
  if (allocations_until_failure == 0) {
    ++refused_allocations;
    return nullptr;
  }
  if (bytes > 0xFFFFFFF0u) return nullptr;  // the prefix holds a 32-bit count
  auto* block = static_cast<BYTE*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR) + 1));
  if (!block) return nullptr;
  if (allocations_until_failure > 0) --allocations_until_failure;
  DWORD count = static_cast<DWORD>(bytes);
  std::memcpy(block, &count, kPrefix);
  if (data) std::memcpy(block + kPrefix, data, bytes);
  // Terminator: one zero character after the data, plus one byte for an odd byte count.
  std::memset(block + kPrefix + bytes, 0, sizeof(OLECHAR) + 1);
  live_bstrs.fetch_add(1, std::memory_order_relaxed);
  return reinterpret_cast<BSTR>(block + kPrefix);
}

DWORD byte_count(BSTR text) {
  DWORD count;
  std::memcpy(&count, reinterpret_cast<BYTE*>(text) - kPrefix, kPrefix);
  return count;
}

}  // namespace

extern "C" BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  std::size_t n = 0;
  while (text[n]) ++n;
  return allocate_bytes(text, n * sizeof(OLECHAR));
}

extern "C" BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  return allocate_bytes(text, std::size_t{length} * sizeof(OLECHAR));
}

extern "C" BSTR SysAllocStringByteLen(LPCSTR text, UINT length) {
  return allocate_bytes(text, length);
}

extern "C" void SysFreeString(BSTR text) {
  if (!text) return;
  live_bstrs.fetch_sub(1, std::memory_order_relaxed);
  std::free(reinterpret_cast<BYTE*>(text) - kPrefix);
}

extern "C" UINT SysStringLen(BSTR text) { return text ? byte_count(text) / sizeof(OLECHAR) : 0; }

extern "C" UINT SysStringByteLen(BSTR text) { return text ? byte_count(text) : 0; }

namespace win32 {

long bstr_live_count() { return live_bstrs.load(std::memory_order_relaxed); }

BstrAllocFailure::BstrAllocFailure(long successes) {
  allocations_until_failure = successes < 0 ? 0 : successes;
  refused_allocations = 0;
}

BstrAllocFailure::~BstrAllocFailure() { allocations_until_failure = -1; }

long BstrAllocFailure::refused() const { return refused_allocations; }

}  // namespace win32
