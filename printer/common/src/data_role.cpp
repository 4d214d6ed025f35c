#include "keld/data_role.h"

#include <atomic>

namespace keld {
namespace {
std::atomic<DataRole> g_role{DataRole::Configuration};
}

DataRole GetDataRole() { return g_role.load(std::memory_order_relaxed); }
void SetDataRole(DataRole role) { g_role.store(role, std::memory_order_relaxed); }

}  // namespace keld
