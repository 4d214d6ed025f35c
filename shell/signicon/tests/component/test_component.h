// The counting test component: a signature component whose answers are chosen by words in the
// file name, and which counts every object it creates and destroys and every string it hands
// out. Tests read the counts through the export TestComponentGetCounts.
//
// Words in the file's name (last path component):
//   "nosig"       HasSignature: S_OK, flag 0          "hasfail"     HasSignature: E_FAIL
//   "hasfalse"    HasSignature: S_FALSE, flag 1      "badsig"      VerifySignature: S_OK, flag 0
//   "verifyfalse" VerifySignature: S_FALSE, flag 1   "verifyfail"  VerifySignature: E_FAIL
//   "detailsfail" GetSignatureDetails: E_FAIL, but with all ten outputs filled (a careless
//                 component; the caller must still free them)
// Extensions: ".unknown" the registry fails; ".noreader" the registry names an unregistered
// class. Every other file is signed.
#pragma once

#include "signicon/signature_component.h"

// {C0FFEE00-5167-4E11-9A7B-000000000001}
inline constexpr CLSID CLSID_TestSignatureReader = {
    0xC0FFEE00, 0x5167, 0x4E11, {0x9A, 0x7B, 0, 0, 0, 0, 0, 1}};
// Never registered: what the registry names for ".noreader".
inline constexpr CLSID CLSID_UnregisteredReader = {
    0xC0FFEE00, 0x5167, 0x4E11, {0x9A, 0x7B, 0, 0, 0, 0, 0, 2}};

struct TestComponentCounts {
  long objects_created;  // registries, readers, detail objects, factories
  long objects_destroyed;
  long registries_created;
  long readers_created;
  long bstrs_allocated;   // strings handed to the caller
  long details_calls;
};

using TestComponentGetCountsProc = void (*)(TestComponentCounts*);
