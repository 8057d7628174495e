// The generic chip: everything that can be done from the chip definition alone, and
// the virtual operations a chip-specific class supplies or replaces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chipmodel/chip_tables.h"
#include "chipmodel/scratch_ring.h"
#include "chipmodel/sequence_text.h"

namespace k7q {

class ChipEngine {
 public:
  explicit ChipEngine(ChipTables& tables);
  virtual ~ChipEngine();
  ChipEngine(const ChipEngine&) = delete;
  ChipEngine& operator=(const ChipEngine&) = delete;

  // Virtual operations, in their fixed order.
  virtual bool SelectProduct(std::string_view keyname);
  virtual bool MemoryMapEntry(uint32_t kind, uint32_t entry, std::string* name, uint32_t* first,
                              uint32_t* second) = 0;
  virtual bool RegisterIndexAt(bool fromBlock, uint32_t position, uint32_t* index);
  virtual uint32_t GetRawValue(std::string_view name);
  virtual bool SetRawValue(std::string_view name, uint32_t raw);
  // Text from the engine's scratch ring (valid for the next 23 texts); nullptr: not found.
  virtual const char* GetValueText(std::string_view name, bool readSide);
  virtual bool SetValueText(std::string_view name, std::string_view text);
  virtual uint32_t GetFieldValue(std::string_view name);
  virtual uint32_t GetMinimum(std::string_view name);
  virtual uint32_t GetMaximum(std::string_view name);
  virtual uint32_t GetStep(std::string_view name);
  virtual bool SetFieldValue(std::string_view name, uint32_t value);
  virtual bool GetSequenceItem(std::string_view name, uint32_t item, uint32_t* kind,
                               uint32_t* value, std::string* label);
  virtual bool SetSequenceItem(std::string_view name, uint32_t item, uint32_t kind, uint32_t value,
                               std::string_view label);
  virtual uint32_t SequenceMaxLength(std::string_view name);
  virtual uint32_t SequenceLength(std::string_view name);
  virtual bool SetSequenceLength(std::string_view name, uint32_t count);
  // Report operations append at most room characters to out and return how many.
  virtual uint32_t ConfigurationErrors(std::string& out, uint32_t room) = 0;
  virtual uint32_t ReservedSettingsReport(std::string& out, uint32_t room);
  virtual bool InitializeChip(uint32_t mode, std::string* message) = 0;
  // 0 drawn, 2 chip not initialised, 3 panel does not fit display memory.
  virtual int DrawTestPattern() = 0;
  virtual uint32_t ReadChipRegister(uint32_t index) = 0;
  virtual bool WriteChipRegister(uint32_t index, uint32_t value) = 0;
  virtual uint32_t BlockValueAt(uint32_t position) = 0;
  virtual bool SetBlockValueAt(uint32_t position, uint16_t value) = 0;
  virtual bool FindBlockPosition(uint32_t index, uint32_t* position, bool stopAtDelay) = 0;
  virtual bool BlockIndexAt(uint32_t position, uint32_t* index) = 0;

  // Products.
  const ChipTables& Tables() const { return tables_; }
  const ProductRecord* CurrentProduct() const;
  const char* CurrentProductKeyname() const;
  bool FindProduct(std::string_view keyname, uint32_t* position) const;
  bool IsApplicable(const OptText& productList) const;

  // Flags.
  bool ShowReserved() const { return showReserved_; }
  void SetShowReserved(bool on) { showReserved_ = on; }
  bool IsLiveMode() const { return liveMode_; }
  void SetLiveMode(bool on) { liveMode_ = on; }
  bool IsPatternShown() const { return patternShown_; }
  void SetPatternShown(bool on);
  bool IsChipInitialised() const { return chipInitialised_; }
  bool IsBoardOpen() const { return boardOpen_; }
  uint32_t RedrawCountdown() const { return redrawCountdown_; }
  void RedrawTick();

  // Registers; "byPosition" means n is a position in the block's register list.
  bool FindRegister(uint32_t n, bool byPosition, uint32_t* tablePosition);
  bool IsRegisterAvailable(uint32_t n, bool byPosition);
  bool IsRegisterReserved(uint32_t n, bool byPosition);
  bool IsRegisterReadOnly(uint32_t n, bool byPosition);
  bool IsRegisterWriteOnly(uint32_t n, bool byPosition);
  uint32_t RegisterDefault(uint32_t n, bool byPosition);
  uint32_t RegisterHexDigits(uint32_t n, bool byPosition);
  uint32_t RegisterIndexWidth() const { return registerIndexWidth_; }
  uint32_t ReadRegister(uint32_t n, bool byPosition);
  bool WriteRegister(uint32_t n, bool byPosition, uint32_t value);

  // Features, by normalised keyname (ASCII case ignored).
  bool FindFeature(std::string_view name, uint32_t* position);
  const FeatureRecord* Feature(std::string_view name);
  const char* FormatRawValue(std::string_view name, uint32_t raw, bool readSide);
  uint32_t GetRadix(std::string_view name);
  uint32_t GetType(std::string_view name);
  uint32_t GetOffsetBase(std::string_view name);
  const char* GetUnit(std::string_view name);
  bool IsFeatureAvailable(std::string_view name);
  bool IsFeatureReserved(std::string_view name);
  bool IsFeatureReadOnly(std::string_view name);
  bool IsFeatureWriteOnly(std::string_view name);
  // For a span part ("...LSB", "...ISB", "...MSB"): the base name and the suffix position.
  bool SpanPartBase(std::string_view name, std::string* base, size_t* suffixPosition);
  bool GetListEntry(std::string_view name, uint32_t n, uint32_t* first, uint32_t* last);
  bool IsListEntryReadOnly(std::string_view name, uint32_t n);
  bool IsListEntryWriteOnly(std::string_view name, uint32_t n);
  bool IsListEntryDirectional(std::string_view name, uint32_t n);
  bool GetListPosition(std::string_view name, uint32_t* n);
  bool SetListPosition(std::string_view name, uint32_t n);
  // Number of values that GetListEntry offers.
  uint32_t OfferedListCount(std::string_view name);

  // Post-load limits of the span features that apply to the current product.
  void SpanPreparation();

 protected:
  ScratchRing& Ring() { return ring_; }
  const ListValueRecord* OfferedValue(const FeatureRecord& f, uint32_t n) const;
  // Formats a field value by the feature's radix and mask, without its unit.
  std::string FormatFieldValue(const FeatureRecord& f, uint32_t value) const;
  const char* ListValueText(const FeatureRecord& f, uint32_t raw, bool readSide, char* out,
                            size_t room) const;

  uint32_t productIndex_ = 0;
  uint32_t registerIndexWidth_ = 4;
  bool showReserved_ = false;
  bool boardOpen_ = false;
  bool chipInitialised_ = false;
  bool liveMode_ = false;
  bool patternShown_ = false;
  uint32_t redrawCountdown_ = 0;

 private:
  uint32_t SpanRawValue(std::string_view name, const FeatureRecord& span);
  bool SetSpanRawValue(std::string_view name, uint32_t raw);
  uint32_t SpanWidth(std::string_view name);
  uint32_t RecordField(std::string_view name, uint32_t FeatureRecord::*field);

  ChipTables& tables_;
  ScratchRing ring_{24, 1024};
  uint32_t registerCachePosition_ = kNoRegister;
  uint32_t registerCacheIndex_ = kNoRegister;
  uint32_t featureCachePosition_ = kNoRegister;
  std::string featureCacheName_ = "invalid";
};

}  // namespace k7q
