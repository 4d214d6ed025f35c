// Registry entries that install the overlay handler and a signature component in a machine
// root, as an installer would: class identifiers as in-process servers, the handler in the
// file manager's list of overlay identifiers, and the per-user switch.
#pragma once

#include "win32/com.h"

#include <filesystem>
#include <initializer_list>
#include <string>

namespace signicon {

// Name of the handler's entry in the list of overlay identifiers.
inline constexpr const WCHAR* kOverlayEntryName = u"ZrSignIcon";

// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 = library, ThreadingModel = Both.
// Returns ERROR_SUCCESS or the first registry error.
LONG register_inproc_server(REFCLSID clsid, const std::filesystem::path& library);

// The handler's class and its overlay-identifier entry.
LONG register_overlay_handler(const std::filesystem::path& handler);

// Every class of a signature component, all served by one library.
LONG register_signature_component(const std::filesystem::path& component,
                                  std::initializer_list<CLSID> classes);

// The per-user switch IconOverlayEnabled as a REG_DWORD.
LONG set_overlay_switch(DWORD value);

// Explains a registry error code ("error 5 (access denied)").
std::string registry_error_text(LONG code);

}  // namespace signicon
