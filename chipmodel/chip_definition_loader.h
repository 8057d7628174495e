// Builds the chip definition tables from the lines of a chip definition document.
#pragma once

#include <cstddef>

#include "chipmodel/chip_tables.h"

namespace k7q {

// Two passes with one expat parser: count the records, then fill them. Tables that
// already hold products, registers or features are left alone.
void LoadChipDefinition(ChipTables& tables, const char* const* lines, size_t lineCount);

}  // namespace k7q
