// Identifiers of the desktop's pages and controls that carry a tooltip or whose tip is
// shown in their own way; a control's object name is its identifier's number.
#pragma once

namespace k7q {

enum class ControlId : int {
  kFeaturesPage = 202,
  kRegistersPage = 207,
  kDirectPage = 208,
  kDiagnosticsBox = 1103,
  kFeatureTree = 1601,
  kRegisterList = 1801,
  kInitializeRegisters = 1903,
  kInitializeLookupTable = 1904,
  kClearVideoMemory = 1905,
  kInitializeChip = 1906,
  kShutdownChip = 1907,
  kDrawTestPattern = 1908,
  kHotToChip = 1909,
  kPatternAfterChange = 1910,
  kAdditionalOptions = 1912,
  kDirectStatus = 1913,
};

}  // namespace k7q
