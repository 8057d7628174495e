// What the export dialogs keep for the program's run (not stored anywhere).
#pragma once

#include <cstddef>
#include <cstdint>

namespace k7q {

// Option bits set in the Export Options dialog; they do not change any generated text.
constexpr uint32_t kExportSoftwareCursor = 1u << 17;
constexpr uint32_t kExportHardwareAcceleration = 1u << 18;
constexpr uint32_t kExportSoftwareAcceleration = 1u << 20;
constexpr unsigned kMaxExportMode = 1000;

struct ExportSettings {
  unsigned mode = 0;
  uint32_t options = 1;
  size_t kind = 0;  // position in the export list
};

}  // namespace k7q
