// ZrSignIcon's public identifiers: its class, its per-user switch and its exports.
#pragma once

#include "win32/com.h"

// Class identifier of the overlay identifier object (DigSigIconOverlayIdentifier).
inline constexpr CLSID CLSID_DigSigIconOverlayIdentifier = {
    0x36A21736, 0x36C2, 0x4C11, {0x8A, 0xCB, 0xD4, 0x13, 0x6F, 0x2B, 0x57, 0xBD}};

// Per-user switch: bit 0 of this REG_DWORD under HKEY_CURRENT_USER turns the overlay on.
inline constexpr const WCHAR* kSignIconSettingsKey =
    u"Software\\Halvrick\\Halvrick Digital Signatures";
inline constexpr const WCHAR* kIconOverlayEnabledValue = u"IconOverlayEnabled";

// The exports, as a host finds them with GetProcAddress.
using RefreshStatusProc = LONG (*)();
