// COM basics: result codes, IUnknown, IClassFactory and object creation for in-process
// servers.
//
// Interfaces are C++ classes with only pure virtual operations and no virtual destructor, so
// that the table of virtual operations holds exactly the interface's slots in declaration
// order (IUnknown first: QueryInterface, AddRef, Release). Modules built separately agree on
// a slot by its position, never by name, exactly as Windows servers do.
//
// Object creation: CoCreateInstance finds the class under
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (default value: the library's path or module
// name), loads the library once through LoadLibraryW, asks its exported `DllGetClassObject` for
// a class factory and lets the factory create the object. A loaded server stays loaded until
// CoFreeUnusedLibraries finds that its `DllCanUnloadNow` answers S_OK; the class-to-server
// answer is remembered while the server stays loaded. Each thread calls
// CoInitialize(Ex) before creating objects and CoUninitialize when done, as on Windows; the
// server table itself is process-wide and guarded.
#pragma once

#include "win32/base.h"
#include "win32/guid.h"

// --- Result codes -------------------------------------------------------------------------

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT NOERROR = 0;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
inline constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
// Win32 error code (as from GetLastError or a Reg* call) as an HRESULT (facility 7).
constexpr HRESULT HRESULT_FROM_WIN32(LONG code) {
  return code <= 0 ? static_cast<HRESULT>(code)
                   : static_cast<HRESULT>((static_cast<DWORD>(code) & 0xFFFFu) | 0x80070000u);
}

// --- Creation contexts and apartment models -------------------------------------------------

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_ALL =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// --- Interfaces ---------------------------------------------------------------------------

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                     {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000,
                                          {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The exports an in-process server offers (C linkage, looked up by name).
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
using LPFNCANUNLOADNOW = HRESULT (*)();

// --- Runtime ------------------------------------------------------------------------------

extern "C" {
// Per-thread set-up: S_OK on the first call of a thread, S_FALSE on nested calls;
// RPC_E_CHANGED_MODE when a thread asks for a different apartment model than it has.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID reserved, REFIID riid,
                         LPVOID* object);
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                         LPVOID* object);
// Unloads every server whose DllCanUnloadNow answers S_OK and that no creation is running
// through. DllCanUnloadNow is called under the runtime's lock: it must only look at counters.
void CoFreeUnusedLibraries();
}

namespace win32 {

// Number of in-process servers currently held loaded by the object runtime.
std::size_t com_loaded_server_count();

}  // namespace win32
