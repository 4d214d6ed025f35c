// Shell extension interfaces: the icon-overlay identifier that a file manager asks for every
// file it shows.
#pragma once

#include "win32/com.h"

// GetOverlayInfo flags: the icon file name and the icon index are valid.
inline constexpr DWORD ISIOI_ICONFILE = 0x1;
inline constexpr DWORD ISIOI_ICONINDEX = 0x2;

struct IShellIconOverlayIdentifier : IUnknown {
  // S_OK when the file shows the overlay, S_FALSE when not.
  virtual HRESULT IsMemberOf(LPCWSTR path, DWORD attributes) = 0;
  virtual HRESULT GetOverlayInfo(LPWSTR iconFile, int iconFileSize, int* index,
                                 DWORD* flags) = 0;
  // 0 is the highest priority.
  virtual HRESULT GetPriority(int* priority) = 0;
};

inline constexpr IID IID_IShellIconOverlayIdentifier = {
    0x0C6C4200, 0xC589, 0x11D0, {0x99, 0x9A, 0x00, 0xC0, 0x4F, 0xD6, 0x55, 0xE1}};

// Registry key under HKEY_LOCAL_MACHINE whose subkeys' default values name the overlay
// identifiers (class identifiers) a file manager loads.
inline constexpr const WCHAR* kShellIconOverlayIdentifiersKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
