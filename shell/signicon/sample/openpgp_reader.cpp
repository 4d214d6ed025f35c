// The detached OpenPGP reader. An object serves one membership question at a time, so it runs
// gpgv once per file and keeps that answer for the later calls on the same path.
#include "gpgv.h"
#include "object_base.h"

#include "win32/module.h"

#include <dlfcn.h>

#include <mutex>
#include <new>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace signsample {

namespace {

// The folder this library was loaded from (as registered, links not followed): its keyring
// lives there.
fs::path component_folder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&component_folder), &info) == 0 || !info.dli_fname)
    return {};
  std::error_code ec;
  fs::path self = fs::absolute(info.dli_fname, ec);
  return (ec ? fs::path(info.dli_fname) : self).parent_path();
}

std::optional<fs::path> native(BSTR path) {
  if (!path || SysStringLen(path) == 0) return std::nullopt;
  std::u16string_view text(path, SysStringLen(path));
  if (text.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  return fs::path(win32::narrow_utf8(text));
}

fs::path signature_of(const fs::path& file) {
  fs::path sig = file;
  sig += ".sig";
  return sig;
}

bool has_signature_file(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec) && fs::is_regular_file(signature_of(file), ec);
}

BSTR bstr_of(const std::string& utf8) {
  std::u16string wide = win32::widen_utf8(utf8);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string email_of(const std::string& userId) {
  auto open = userId.rfind('<');
  auto close = userId.rfind('>');
  if (open == std::string::npos || close == std::string::npos || close < open) return {};
  return userId.substr(open + 1, close - open - 1);
}

class DetachedOpenPgpReader final : public ObjectBase<ISignatureReader, IID_ISignatureReader> {
 public:
  HRESULT HasSignature(BSTR path, LONG, LONG* present) override {
    if (!present) return E_POINTER;
    *present = 0;
    auto file = native(path);
    if (!file) return E_INVALIDARG;
    *present = has_signature_file(*file) ? 1 : 0;
    return S_OK;
  }

  HRESULT GetSignatureCount(BSTR path, LONG, LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    auto file = native(path);
    if (!file) return E_INVALIDARG;
    *count = has_signature_file(*file) ? 1 : 0;
    return S_OK;
  }

  HRESULT VerifySignature(BSTR path, LONG, LONG* valid) override {
    if (!valid) return E_POINTER;
    *valid = 0;
    auto file = native(path);
    if (!file) return E_INVALIDARG;
    const Verification v = verification(*file);
    if (!v.ran) return E_FAIL;
    *valid = v.valid ? 1 : 0;
    return S_OK;
  }

  HRESULT GetSignatureDetails(BSTR path, LONG, BSTR* signer, BSTR* email, BSTR* keyId,
                              BSTR* fingerprint, BSTR* signedAt, BSTR* algorithm,
                              IUnknown** signerKey, IUnknown** issuerKey, BSTR* status,
                              IUnknown** timestamp) override {
    BSTR* strings[] = {signer, email, keyId, fingerprint, signedAt, algorithm, status};
    IUnknown** objects[] = {signerKey, issuerKey, timestamp};
    for (BSTR* s : strings)
      if (!s) return E_POINTER;
    for (IUnknown** o : objects)
      if (!o) return E_POINTER;
    for (BSTR* s : strings) *s = nullptr;
    // No key or time-stamp objects in this component: OpenPGP details are all text.
    for (IUnknown** o : objects) *o = nullptr;

    auto file = native(path);
    if (!file) return E_INVALIDARG;
    const Verification v = verification(*file);
    if (!v.valid) return SIGN_E_NOTVERIFIED;
    const std::string values[] = {v.user_id,   email_of(v.user_id), v.key_id, v.fingerprint,
                                  v.signed_at, v.algorithm,         v.status};
    for (std::size_t i = 0; i < std::size(values); ++i) {
      *strings[i] = bstr_of(values[i]);
      if (!*strings[i]) {
        for (BSTR* s : strings) {
          SysFreeString(*s);
          *s = nullptr;
        }
        return E_OUTOFMEMORY;
      }
    }
    return S_OK;
  }

 private:
  // A copy: the object may be asked from several threads, and another path replaces the
  // cached answer.
  Verification verification(const fs::path& file) {
    std::lock_guard guard(lock_);
    if (!cached_ || cached_file_ != file) {
      fs::path keyring = component_folder() / "trustedkeys.gpg";
      cached_ = verify_detached(keyring, signature_of(file), file);
      cached_file_ = file;
    }
    return *cached_;
  }

  std::mutex lock_;
  fs::path cached_file_;
  std::optional<Verification> cached_;
};

}  // namespace

HRESULT create_openpgp_reader(REFIID riid, void** object) {
  return create_answering<DetachedOpenPgpReader>(riid, object);
}

}  // namespace signsample
