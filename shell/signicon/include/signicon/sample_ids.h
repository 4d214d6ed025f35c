// Class identifiers served by the sample signature component (ZrSignSample): the file-type
// registry under the identifier the handler asks for, and its one reader class.
#pragma once

#include "signicon/signature_component.h"

// The reader class for files with a detached OpenPGP signature beside them.
// {9C3E5B1A-4F2D-4E8B-B6A1-2D7F0C9E8A51}
inline constexpr CLSID CLSID_DetachedOpenPgpReader = {
    0x9C3E5B1A, 0x4F2D, 0x4E8B, {0xB6, 0xA1, 0x2D, 0x7F, 0x0C, 0x9E, 0x8A, 0x51}};
