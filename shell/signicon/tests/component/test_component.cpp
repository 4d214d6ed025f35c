#include "test_component.h"

#include "win32/com_object.h"

#include <atomic>
#include <new>
#include <string_view>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<long> created{0}, destroyed{0}, registries{0}, readers{0}, bstrs{0}, details{0};

struct Tally {
  static void created() { ::created.fetch_add(1); }
  static void destroyed() { ::destroyed.fetch_add(1); }
};

template <typename Interface, const IID& Id>
using Object = win32::ComObject<Interface, Id, Tally>;

template <typename T>
HRESULT answer(T* created_object, REFIID riid, void** object) {
  return win32::AnswerCreated(created_object, riid, object);
}

std::u16string_view name_of(BSTR path) {
  std::u16string_view p(path ? path : u"", SysStringLen(path));
  auto slash = p.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? p : p.substr(slash + 1);
}

bool has(BSTR path, std::u16string_view word) {
  return name_of(path).find(word) != std::u16string_view::npos;
}

BSTR counted_string(const char16_t* text) {
  BSTR s = SysAllocString(text);
  if (s) bstrs.fetch_add(1);
  return s;
}

class Detail final : public Object<IUnknown, IID_IUnknown> {};

class Registry final : public Object<ISignatureTypeRegistry, IID_ISignatureTypeRegistry> {
 public:
  Registry() { registries.fetch_add(1); }
  HRESULT GetTypeCount(LONG* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeExtension(LONG, BSTR* extension) override {
    *extension = nullptr;
    return E_INVALIDARG;
  }
  HRESULT GetReaderClass(BSTR extension, CLSID* reader) override {
    std::u16string_view ext(extension ? extension : u"", SysStringLen(extension));
    if (ext == u".unknown") return E_FAIL;
    *reader = ext == u".noreader" ? CLSID_UnregisteredReader : CLSID_TestSignatureReader;
    return S_OK;
  }
};

class Reader final : public Object<ISignatureReader, IID_ISignatureReader> {
 public:
  Reader() { readers.fetch_add(1); }
  HRESULT HasSignature(BSTR path, LONG options, LONG* present) override {
    *present = has(path, u"nosig") ? 0 : 1;
    if (options != 0 || has(path, u"hasfail")) return E_FAIL;
    return has(path, u"hasfalse") ? S_FALSE : S_OK;
  }
  HRESULT GetSignatureCount(BSTR path, LONG, LONG* count) override {
    *count = has(path, u"nosig") ? 0 : 1;
    return S_OK;
  }
  HRESULT VerifySignature(BSTR path, LONG options, LONG* valid) override {
    *valid = has(path, u"badsig") ? 0 : 1;
    if (options != 0 || has(path, u"verifyfail")) return E_FAIL;
    return has(path, u"verifyfalse") ? S_FALSE : S_OK;
  }
  HRESULT GetSignatureDetails(BSTR path, LONG options, BSTR* signer, BSTR* email, BSTR* keyId,
                              BSTR* fingerprint, BSTR* signedAt, BSTR* algorithm,
                              IUnknown** signerKey, IUnknown** issuerKey, BSTR* status,
                              IUnknown** timestamp) override {
    details.fetch_add(1);
    BSTR* strings[] = {signer, email, keyId, fingerprint, signedAt, algorithm, status};
    IUnknown** objects[] = {signerKey, issuerKey, timestamp};
    bool out_of_memory = false;
    for (BSTR* s : strings) {
      *s = counted_string(u"detail");
      out_of_memory = out_of_memory || !*s;
    }
    for (IUnknown** o : objects) *o = new (std::nothrow) Detail();
    if (out_of_memory) {  // a careful component gives back what it made
      for (BSTR* s : strings) {
        SysFreeString(*s);
        *s = nullptr;
      }
      for (IUnknown** o : objects) {
        if (*o) (*o)->Release();
        *o = nullptr;
      }
      return E_OUTOFMEMORY;
    }
    return options != 0 || has(path, u"detailsfail") ? E_FAIL : S_OK;
  }
};

class Factory final : public Object<IClassFactory, IID_IClassFactory> {
 public:
  explicit Factory(bool reader) : reader_(reader) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (reader_) return answer(new Reader(), riid, object);
    return answer(new Registry(), riid, object);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  bool reader_;
};

}  // namespace

EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  *object = nullptr;
  if (clsid == CLSID_SignatureTypeRegistry) return answer(new Factory(false), riid, object);
  if (clsid == CLSID_TestSignatureReader) return answer(new Factory(true), riid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

EXPORT HRESULT DllCanUnloadNow() { return created.load() == destroyed.load() ? S_OK : S_FALSE; }

EXPORT void TestComponentGetCounts(TestComponentCounts* counts) {
  *counts = {created.load(),  destroyed.load(), registries.load(),
             readers.load(), bstrs.load(),     details.load()};
}
