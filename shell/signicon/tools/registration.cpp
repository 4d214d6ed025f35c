#include "registration.h"

#include "signicon/overlay.h"

#include "win32/error.h"
#include "win32/module.h"
#include "win32/registry.h"
#include "win32/shlobj.h"

namespace signicon {

namespace {

LONG set_string(HKEY parent, const std::u16string& subKey, LPCWSTR name,
                const std::u16string& text) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_WRITE, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return rc;
}

}  // namespace

LONG register_inproc_server(REFCLSID clsid, const std::filesystem::path& library) {
  std::u16string key = u"CLSID\\" + win32::guid_text(clsid) + u"\\InprocServer32";
  LONG rc = set_string(HKEY_CLASSES_ROOT, key, nullptr, win32::widen_utf8(library.string()));
  if (rc != ERROR_SUCCESS) return rc;
  return set_string(HKEY_CLASSES_ROOT, key, u"ThreadingModel", u"Both");
}

LONG register_overlay_handler(const std::filesystem::path& handler) {
  LONG rc = register_inproc_server(CLSID_DigSigIconOverlayIdentifier, handler);
  if (rc != ERROR_SUCCESS) return rc;
  std::u16string entry = std::u16string(kShellIconOverlayIdentifiersKey) + u"\\" +
                         kOverlayEntryName;
  return set_string(HKEY_LOCAL_MACHINE, entry, nullptr,
                    win32::guid_text(CLSID_DigSigIconOverlayIdentifier));
}

LONG register_signature_component(const std::filesystem::path& component,
                                  std::initializer_list<CLSID> classes) {
  for (const CLSID& clsid : classes) {
    LONG rc = register_inproc_server(clsid, component);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

LONG set_overlay_switch(DWORD value) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, kSignIconSettingsKey, 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExW(key, kIconOverlayEnabledValue, 0, REG_DWORD,
                      reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
  return rc;
}

std::string registry_error_text(LONG code) {
  const char* meaning = "";
  switch (code) {
    case ERROR_ACCESS_DENIED: meaning = " (access denied)"; break;
    case ERROR_FILE_NOT_FOUND: meaning = " (not found)"; break;
    case ERROR_CANTWRITE: meaning = " (cannot write the registry file)"; break;
    case ERROR_CANTOPEN: meaning = " (cannot open the registry file)"; break;
    default: break;
  }
  return "error " + std::to_string(code) + meaning;
}

}  // namespace signicon
