#include "uimodel/register_rows.h"

#include "chipmodel/chip_engine.h"
#include "chipmodel/hal_struct.h"
#include "chipmodel/labels.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "reports/quick_reference.h"

namespace k7q {

namespace {

// Block rows are addressed by position, live rows by register number.
uint32_t Address(ChipEngine& chip, size_t row, uint32_t index) {
  return chip.IsLiveMode() ? index : static_cast<uint32_t>(row);
}

}  // namespace

std::vector<uint32_t> RegisterRows(ChipEngine& chip) {
  std::vector<uint32_t> rows;
  const bool live = chip.IsLiveMode();
  uint32_t index = 0;
  for (uint32_t p = 0; rows.size() < kMaxRegisterRows && chip.RegisterIndexAt(!live, p, &index);
       ++p) {
    if (live && chip.IsRegisterWriteOnly(index, false)) continue;
    rows.push_back(index);
  }
  return rows;
}

uint32_t RowValue(ChipEngine& chip, size_t row, uint32_t index) {
  return chip.ReadRegister(Address(chip, row, index), !chip.IsLiveMode());
}

bool IsRowReadOnly(ChipEngine& chip, size_t row, uint32_t index) {
  return chip.IsRegisterReadOnly(Address(chip, row, index), !chip.IsLiveMode());
}

bool IsRowWriteOnly(ChipEngine& chip, size_t row, uint32_t index) {
  return chip.IsRegisterWriteOnly(Address(chip, row, index), !chip.IsLiveMode());
}

RowCells MakeRowCells(ChipEngine& chip, ManualChanges& changes, size_t row, uint32_t index,
                      uint32_t value) {
  RowCells cells;
  if (index == kOffDelayIndex || index == kOnDelayIndex) {
    cells.reg = "DELAY";
  } else if (index > kFirstPseudoRegister) {
    cells.reg = "FLAG";
  } else {
    cells.reg = StringPrintf("%0*Xh", static_cast<int>(chip.RegisterIndexWidth()), index);
  }
  const uint32_t state = changes.state[row];
  cells.reg += state == kRowModified ? " *" : state == kRowOverwritten ? " !" : "   ";
  cells.name = RegisterLabel(chip, index, kLabelName | kLabelMarkers).value_or("");
  const uint32_t digits = chip.RegisterHexDigits(index, false);
  cells.hex = StringPrintf("%0*X", static_cast<int>(digits), value);
  cells.bin = FormatNumber(value, 2, digits * 4);
  cells.dec = StringPrintf("%10u", value);
  changes.shown[row] = value;
  return cells;
}

void ReconcileChanges(ChipEngine& chip, ManualChanges& changes, const std::vector<uint32_t>& rows) {
  const bool live = chip.IsLiveMode();
  if (live != changes.hotToChip) {
    changes.hotToChip = live;
    for (uint32_t& state : changes.state) {
      if (state != kRowNotModified) changes.resetNotice = true;
      state = kRowNotModified;
    }
    return;
  }
  for (size_t p = 0; p < rows.size(); ++p) {
    if (IsRowWriteOnly(chip, p, rows[p]) || changes.state[p] != kRowModified) continue;
    if (RowValue(chip, p, rows[p]) != changes.manual[p]) changes.state[p] = kRowOverwritten;
  }
}

void NoteUnderlyingValue(ManualChanges& changes, size_t row, uint32_t value) {
  if (changes.state[row] != kRowModified) changes.underlying[row] = value;
}

void SetRowByHand(ChipEngine& chip, ManualChanges& changes, size_t row, uint32_t index,
                  uint32_t value) {
  chip.WriteRegister(Address(chip, row, index), !chip.IsLiveMode(), value);
  changes.manual[row] = value;
  changes.state[row] = value != changes.underlying[row] ? kRowModified : kRowNotModified;
}

std::string ChangesReport(ChipEngine& chip, ManualChanges& changes,
                          const std::vector<uint32_t>& rows) {
  if (changes.resetNotice) {
    changes.resetNotice = false;
    return "Manually modified register information reset due to \"Hot to Chip\" mode "
           "transisition.\n";
  }
  int modified = 0, overwritten = 0;
  for (size_t p = 0; p < rows.size(); ++p) {
    if (IsRowWriteOnly(chip, p, rows[p])) continue;
    if (changes.state[p] == kRowModified) ++modified;
    if (changes.state[p] == kRowOverwritten) ++overwritten;
  }
  if (overwritten == 0) return {};
  if (modified == 0) {
    return StringPrintf("%d manually modified registers have been overwritten by other tabs.\n",
                        overwritten);
  }
  return StringPrintf(
      "%d (out of %d) manually modified registers have been overwritten by other tabs.\n",
      overwritten, overwritten + modified);
}

std::string RowDescription(ChipEngine& chip, const ManualChanges& changes,
                           const std::vector<uint32_t>& rows, size_t row) {
  std::string text;
  const uint32_t index = rows[row];
  std::optional<uint32_t> position;
  if (!chip.IsLiveMode()) position = static_cast<uint32_t>(row);
  RegisterBlock(chip, index, text, "\n", 80, true, position);
  bool duplicate = false;
  if (!chip.IsLiveMode() && index < kFirstPseudoRegister) {
    for (size_t later = row + 1; later < rows.size() && !duplicate; ++later)
      duplicate = rows[later] == index;
  }
  const uint32_t state = changes.state[row];
  if (state != kRowNotModified || duplicate) text += "\n";
  if (state == kRowModified) {
    text += StringPrintf(
        "\n[   *   ]  You modified this register manually.  This register's\n"
        "           value would be %08Xh if it was not modified.",
        changes.underlying[row]);
  } else if (state == kRowOverwritten) {
    text += StringPrintf(
        "\n[   !   ]  You had previously modified this register manually to\n"
        "           %08Xh, however, when you switched tabs, your\n"
        "           modification was overwritten.",
        changes.manual[row]);
  }
  if (duplicate) {
    text +=
        "\n[ ALERT ]  This register also exists further down this list.\n"
        "           Any changes to this register will be transient and\n"
        "           will not be retained in the final register\n"
        "           programming.";
  }
  return text;
}

std::vector<size_t> ChangedRows(ChipEngine& chip, ManualChanges& changes,
                                const std::vector<uint32_t>& rows) {
  std::vector<size_t> changed;
  for (size_t p = 0; p < rows.size(); ++p) {
    if (IsRowWriteOnly(chip, p, rows[p])) continue;
    const uint32_t value = RowValue(chip, p, rows[p]);
    if (value == changes.shown[p]) continue;
    if (changes.state[p] == kRowOverwritten && value == changes.manual[p]) {
      changes.state[p] = kRowModified;
    } else if (changes.state[p] == kRowModified) {
      changes.state[p] = kRowOverwritten;
    }
    changes.underlying[p] = value;
    changed.push_back(p);
  }
  return changed;
}

}  // namespace k7q
