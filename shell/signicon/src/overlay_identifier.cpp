// The membership test asks the signature component, anew for every file: the file-type
// registry names the reader class for the file's extension, and the reader says whether the
// file carries a signature, whether it verifies, and hands over its details. Cheap refusals
// (switch off, path too long, no extension) come before any object or string is made, because
// the test runs for every file a file manager shows. Whatever goes wrong, the answer is
// "not a member" (S_FALSE), and everything obtained on the way is freed by one holder.
#include "overlay_identifier.h"

#include "module_state.h"
#include "signicon/signature_component.h"

#include "win32/module.h"
#include "win32/shlwapi.h"

#include <algorithm>

namespace signicon {

namespace {

// Everything one membership test obtains; the destructor gives it all back.
struct MembershipTest {
  BSTR path = nullptr;
  BSTR extension = nullptr;
  ISignatureTypeRegistry* registry = nullptr;
  ISignatureReader* reader = nullptr;
  BSTR strings[7] = {};
  IUnknown* objects[3] = {};

  ~MembershipTest() {
    for (BSTR& s : strings) SysFreeString(s);
    for (IUnknown* o : objects)
      if (o) o->Release();
    if (reader) reader->Release();
    if (registry) registry->Release();
    SysFreeString(extension);
    SysFreeString(path);
  }

  // Steps 4 to 9 of the test: true when the file is a member.
  bool run(LPCWSTR fullPath, LPCWSTR dotExtension) {
    if (FAILED(CoCreateInstance(CLSID_SignatureTypeRegistry, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ISignatureTypeRegistry,
                                reinterpret_cast<void**>(&registry))) || !registry)
      return false;
    extension = SysAllocString(dotExtension);
    if (!extension) return false;
    CLSID readerClass = GUID_NULL;
    if (FAILED(registry->GetReaderClass(extension, &readerClass))) return false;
    if (FAILED(CoCreateInstance(readerClass, nullptr, CLSCTX_INPROC_SERVER, IID_ISignatureReader,
                                reinterpret_cast<void**>(&reader))) || !reader)
      return false;
    path = SysAllocString(fullPath);
    if (!path) return false;
    LONG present = 0;
    if (reader->HasSignature(path, 0, &present) != S_OK || !present) return false;
    LONG valid = 0;
    if (reader->VerifySignature(path, 0, &valid) != S_OK || !valid) return false;
    HRESULT hr = reader->GetSignatureDetails(path, 0, &strings[0], &strings[1], &strings[2],
                                             &strings[3], &strings[4], &strings[5], &objects[0],
                                             &objects[1], &strings[6], &objects[2]);
    return SUCCEEDED(hr);
  }
};

HMODULE own_module() {
  HMODULE m = module_handle.load();
  // Loaded without the layer's entry-point call (a plain dlopen): find ourselves by address.
  return m ? m : Win32ModuleFromAddress(reinterpret_cast<const void*>(&own_module));
}

}  // namespace

DigSigIconOverlayIdentifier::DigSigIconOverlayIdentifier() { live_objects.fetch_add(1); }

DigSigIconOverlayIdentifier::~DigSigIconOverlayIdentifier() { live_objects.fetch_sub(1); }

HRESULT DigSigIconOverlayIdentifier::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IShellIconOverlayIdentifier) {
    *object = static_cast<IShellIconOverlayIdentifier*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DigSigIconOverlayIdentifier::AddRef() { return refs_.fetch_add(1) + 1; }

ULONG DigSigIconOverlayIdentifier::Release() {
  ULONG left = refs_.fetch_sub(1) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT DigSigIconOverlayIdentifier::IsMemberOf(LPCWSTR path, DWORD) {
  if (!overlay_enabled.load(std::memory_order_relaxed)) return S_FALSE;
  if (!path) return S_FALSE;
  // The path must fit the buffer with its terminator; a longer one is not examined at all.
  WCHAR buffer[kPathBufferChars];
  std::size_t length = 0;
  while (length < kPathBufferChars && path[length]) ++length;
  if (length >= kPathBufferChars) return S_FALSE;
  std::copy(path, path + length, buffer);
  buffer[length] = 0;

  LPCWSTR extension = PathFindExtensionW(buffer);
  if (!extension || !*extension) return S_FALSE;

  MembershipTest test;
  return test.run(buffer, extension) ? S_OK : S_FALSE;
}

HRESULT DigSigIconOverlayIdentifier::GetOverlayInfo(LPWSTR iconFile, int iconFileSize,
                                                    int* index, DWORD* flags) {
  if (!iconFile || !index || !flags) return E_POINTER;
  WCHAR own[kPathBufferChars] = {};
  DWORD length = GetModuleFileNameW(own_module(), own, kPathBufferChars);
  if (length >= kPathBufferChars) length = kPathBufferChars - 1;
  // At most the caller's length, terminator included, as a bounded string copy does; a
  // buffer of no length gets nothing.
  if (iconFileSize > 0) {
    std::size_t copied =
        std::min<std::size_t>(length, static_cast<std::size_t>(iconFileSize) - 1);
    std::copy(own, own + copied, iconFile);
    iconFile[copied] = 0;
  }
  *index = 0;
  *flags = ISIOI_ICONFILE | ISIOI_ICONINDEX;
  return S_OK;
}

HRESULT DigSigIconOverlayIdentifier::GetPriority(int* priority) {
  if (!priority) return E_POINTER;
  *priority = 0;
  return S_OK;
}

}  // namespace signicon
