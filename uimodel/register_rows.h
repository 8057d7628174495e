// The Registers tab without the toolkit: its rows, their cells and descriptions, and the
// record of values typed by hand, which notices when other tabs overwrite them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace k7q {

class ChipEngine;

constexpr size_t kMaxRegisterRows = 400;

enum RowState : uint32_t {
  kRowNotModified = 0,
  kRowModified = 1,     // typed by hand and still in force
  kRowOverwritten = 2,  // typed by hand, since overwritten
};

// Kept for the whole run, indexed by row position.
struct ManualChanges {
  std::array<uint32_t, kMaxRegisterRows> state{};
  std::array<uint32_t, kMaxRegisterRows> manual{};      // the value last typed
  std::array<uint32_t, kMaxRegisterRows> underlying{};  // the value without the change
  std::array<uint32_t, kMaxRegisterRows> shown{};       // the value last shown
  bool hotToChip = false;                               // the mode the rows were built in
  bool resetNotice = false;
};

// The register numbers of the rows: the block's pairs in order, or in live mode the
// chip definition's registers that can be read.
std::vector<uint32_t> RegisterRows(ChipEngine& chip);

// The row's value: the block pair at the position, or in live mode the chip's register.
uint32_t RowValue(ChipEngine& chip, size_t row, uint32_t index);
bool IsRowReadOnly(ChipEngine& chip, size_t row, uint32_t index);
bool IsRowWriteOnly(ChipEngine& chip, size_t row, uint32_t index);

struct RowCells {
  std::string reg, name, hex, bin, dec;
};
// The cells of a row showing value; remembers value as the row's shown value.
RowCells MakeRowCells(ChipEngine& chip, ManualChanges& changes, size_t row, uint32_t index,
                      uint32_t value);

// On opening the page: a changed mode clears every mark (with a notice), otherwise rows
// typed by hand whose register now holds another value count as overwritten.
void ReconcileChanges(ChipEngine& chip, ManualChanges& changes, const std::vector<uint32_t>& rows);
// While filling the list: rows not in force take their current value as underlying.
void NoteUnderlyingValue(ManualChanges& changes, size_t row, uint32_t value);

// Writes a typed value to the row's register and records it.
void SetRowByHand(ChipEngine& chip, ManualChanges& changes, size_t row, uint32_t index,
                  uint32_t value);

// The Diagnostics text about overwritten rows, or the reset notice; may be empty.
std::string ChangesReport(ChipEngine& chip, ManualChanges& changes,
                          const std::vector<uint32_t>& rows);

// The row's tooltip: its register's reference block and notes on manual changes and on a
// later row for the same register.
std::string RowDescription(ChipEngine& chip, const ManualChanges& changes,
                           const std::vector<uint32_t>& rows, size_t row);

// Rows whose register changed since shown, with their marks brought up to date; the
// caller rewrites their cells.
std::vector<size_t> ChangedRows(ChipEngine& chip, ManualChanges& changes,
                                const std::vector<uint32_t>& rows);

}  // namespace k7q
