// Kernel-object handles of the layer: files and whatever else the layer hands out as a HANDLE.
//
// A HANDLE is a small number (a multiple of 4, never 0 or INVALID_HANDLE_VALUE) naming an
// entry of one process-wide table. Each entry owns a KernelObject; CloseHandle drops the
// table's reference, and the object goes away when the last user lets go, so a call running
// on another thread keeps its object alive while it finishes.
#pragma once

#include "win32/base.h"

#include <memory>

namespace win32 {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
};

HANDLE handle_new(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> handle_get(HANDLE handle);

template <class T>
std::shared_ptr<T> handle_get_as(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(handle_get(handle));
}

}  // namespace win32

extern "C" {
// FALSE with ERROR_INVALID_HANDLE for a handle that is not open.
BOOL CloseHandle(HANDLE handle);
}
