// The component's classes each implement one interface besides IUnknown and count themselves
// among the living objects that DllCanUnloadNow reads.
#pragma once

#include <new>

#include "sample_component.h"
#include "win32/com_object.h"

namespace signsample {

struct LiveObjects {
  static void created() { live_objects.fetch_add(1); }
  static void destroyed() { live_objects.fetch_sub(1); }
};

template <typename Interface, const IID& InterfaceId>
using ObjectBase = win32::ComObject<Interface, InterfaceId, LiveObjects>;

// Answers the creation request for a new object of class T and drops the creation reference.
template <typename T>
HRESULT create_answering(REFIID riid, void** object) {
  return win32::AnswerCreated(new (std::nothrow) T(), riid, object);
}

}  // namespace signsample
