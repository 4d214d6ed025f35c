// DigSigIconOverlayIdentifier: the file manager's question "does this file get the overlay?".
#pragma once

#include "win32/shlobj.h"

#include <atomic>

namespace signicon {

// Longest path the membership test examines, terminator included; longer paths are not
// members.
inline constexpr std::size_t kPathBufferChars = 1024;

class DigSigIconOverlayIdentifier final : public IShellIconOverlayIdentifier {
 public:
  DigSigIconOverlayIdentifier();
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT IsMemberOf(LPCWSTR path, DWORD attributes) override;
  HRESULT GetOverlayInfo(LPWSTR iconFile, int iconFileSize, int* index, DWORD* flags) override;
  HRESULT GetPriority(int* priority) override;

 private:
  virtual ~DigSigIconOverlayIdentifier();
  std::atomic<ULONG> refs_{1};
};

}  // namespace signicon
