#pragma once

#include <cstddef>

namespace k7q {

// Files that may be held open at once, one descriptor each: what the descriptor limit
// leaves beside the descriptors open now and spare ones kept free beside them.
size_t FreeDescriptors(size_t spare);

}  // namespace k7q
