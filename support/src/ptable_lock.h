// The one process-wide lock of the periodic table: the active-table pointer and whole-table loading.
#pragma once

#include <mutex>

namespace mx {

std::mutex& TableLock();

} // namespace mx
