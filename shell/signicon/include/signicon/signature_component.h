// The signature component's two interfaces, as the overlay handler calls them.
//
// The component is a separate in-process server. The overlay handler knows it only by these
// identifiers and by slot positions: both interfaces derive directly from IUnknown, so their
// own operations start at slot 4 (1-based). The handler uses slot 6 of the file-type registry
// and slots 4, 6 and 7 of a reader; the other slots are the component's own business but keep
// their place so that every server built against this header agrees on the table.
#pragma once

#include "win32/com.h"
#include "win32/oleauto.h"

// Signature file-type registry: which reader class handles a file type.
struct ISignatureTypeRegistry : IUnknown {
  // Slot 4: number of file types with a reader.
  virtual HRESULT GetTypeCount(LONG* count) = 0;
  // Slot 5: extension (with its dot) of type `index`.
  virtual HRESULT GetTypeExtension(LONG index, BSTR* extension) = 0;
  // Slot 6: reader class of an extension (with its leading dot); a failure result when no
  // reader handles it.
  virtual HRESULT GetReaderClass(BSTR extension, CLSID* reader) = 0;
};

// Signature reader: answers for one file. `options` is 0 for the default behaviour.
struct ISignatureReader : IUnknown {
  // Slot 4: S_OK with `present` non-zero when the file carries a signature.
  virtual HRESULT HasSignature(BSTR path, LONG options, LONG* present) = 0;
  // Slot 5: number of signatures the file carries.
  virtual HRESULT GetSignatureCount(BSTR path, LONG options, LONG* count) = 0;
  // Slot 6: S_OK with `valid` non-zero when the signature verifies.
  virtual HRESULT VerifySignature(BSTR path, LONG options, LONG* valid) = 0;
  // Slot 7: details of the signature. The caller frees every string and releases every
  // object it receives; a reader may leave any of them NULL.
  virtual HRESULT GetSignatureDetails(BSTR path, LONG options, BSTR* signer, BSTR* email,
                                      BSTR* keyId, BSTR* fingerprint, BSTR* signedAt,
                                      BSTR* algorithm, IUnknown** signerKey,
                                      IUnknown** issuerKey, BSTR* status,
                                      IUnknown** timestamp) = 0;
};

// Identifiers of the component as the overlay handler asks for it.
inline constexpr CLSID CLSID_SignatureTypeRegistry = {
    0x47775DA0, 0xE874, 0x4EAF, {0xA2, 0x8C, 0x20, 0xC6, 0xE2, 0xD3, 0x87, 0xA0}};
inline constexpr IID IID_ISignatureTypeRegistry = {
    0xB8FF6B76, 0xDED2, 0x45CD, {0xA7, 0x8F, 0x25, 0x98, 0x93, 0x30, 0x74, 0x7B}};
inline constexpr IID IID_ISignatureReader = {
    0x263DFED8, 0xEFB5, 0x48FF, {0xA7, 0x64, 0xA9, 0xE0, 0x07, 0xD7, 0xE8, 0xAE}};
