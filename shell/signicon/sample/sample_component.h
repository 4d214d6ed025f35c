// The sample signature component: a file is signed when a detached OpenPGP signature
// "<file>.sig" beside it verifies with gpgv against the keyring "trustedkeys.gpg" in the
// component's own folder. It answers the overlay handler through the file-type registry and
// reader interfaces of signicon/signature_component.h.
#pragma once

#include "signicon/sample_ids.h"
#include "signicon/signature_component.h"

#include <atomic>

namespace signsample {

// The registry's answer for an extension no reader handles ("*.sig" itself, empty ones).
inline constexpr HRESULT SIGN_E_UNKNOWNTYPE = static_cast<HRESULT>(0x80040200u);
// Details were asked for a file whose signature does not verify.
inline constexpr HRESULT SIGN_E_NOTVERIFIED = static_cast<HRESULT>(0x80040201u);

// Living objects of the component (registry, readers, factories, server locks); defined in
// exports.cpp.
extern std::atomic<long> live_objects;

// The class factory of `clsid`, answering `riid`; CLASS_E_CLASSNOTAVAILABLE for other classes.
HRESULT create_object(REFCLSID clsid, REFIID riid, void** object);

}  // namespace signsample
