// The file-type registry of the sample component. Every file type can carry a detached
// signature, so every extension is handed to the detached OpenPGP reader, except ".sig" (the
// signatures themselves) and an extension that is only a dot.
#include "object_base.h"

#include <new>
#include <string_view>

namespace signsample {

namespace {

bool equals_ignoring_case(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? a[i] + 32 : a[i];
    char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? b[i] + 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

class SignatureTypeRegistry final
    : public ObjectBase<ISignatureTypeRegistry, IID_ISignatureTypeRegistry> {
 public:
  // One entry, "*": the reader handles all types.
  HRESULT GetTypeCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT GetTypeExtension(LONG index, BSTR* extension) override {
    if (!extension) return E_POINTER;
    *extension = nullptr;
    if (index != 0) return E_INVALIDARG;
    *extension = SysAllocString(u"*");
    return *extension ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT GetReaderClass(BSTR extension, CLSID* reader) override {
    if (!reader) return E_POINTER;
    *reader = GUID_NULL;
    std::u16string_view ext(extension ? extension : u"", SysStringLen(extension));
    if (ext.size() < 2 || ext[0] != u'.' || equals_ignoring_case(ext, u".sig"))
      return SIGN_E_UNKNOWNTYPE;
    *reader = CLSID_DetachedOpenPgpReader;
    return S_OK;
  }
};

}  // namespace

HRESULT create_type_registry(REFIID riid, void** object) {
  return create_answering<SignatureTypeRegistry>(riid, object);
}

}  // namespace signsample
