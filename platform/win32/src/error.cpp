#include "win32/error.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

extern "C" DWORD GetLastError() { return last_error; }
extern "C" void SetLastError(DWORD code) { last_error = code; }
