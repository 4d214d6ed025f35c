// PathFindExtensionW: the extension of a path's last component.
#include "win32/shlwapi.h"

extern "C" LPWSTR PathFindExtensionW(LPCWSTR path) {
  if (!path) return nullptr;
  LPCWSTR dot = nullptr;
  LPCWSTR p = path;
  for (; *p; ++p) {
    if (*p == u'\\' || *p == u'/')
      dot = nullptr;  // a dot in a folder name is not the file's extension
    else if (*p == u'.')
      dot = p;
  }
  return const_cast<LPWSTR>(dot ? dot : p);
}
