#include "config/storage_limits.h"

#include <cstring>

#include "chipmodel/text_format.h"
#include "config/chip62500.h"
#include "config/record_file.h"
#include "formats/srecord_file.h"

namespace k7q {

namespace {

std::string_view Description(const HalStruct& block) {
  return {block.configDescription,
          strnlen(block.configDescription, sizeof block.configDescription)};
}

}  // namespace

std::string StorageRefusal(const Chip62500& chip, std::string_view openedPath,
                           bool checkDescription) {
  if (!ReadAsStreamLayout(std::string(openedPath))) return {};
  return StreamLayoutRefusal(chip, checkDescription);
}

std::string StreamLayoutRefusal(const Chip62500& chip, bool checkDescription) {
  const HalStruct& block = chip.Block();
  if (block.clki > kLargestSrecordClki) {
    return StringPrintf(
        "CLKI %s cannot be stored: S-record and board image files hold CLKI 1000 times "
        "larger, so the largest CLKI they can hold is %s (%u Hz).",
        FormatFrequency(block.clki).c_str(), FormatFrequency(kLargestSrecordClki).c_str(),
        kLargestSrecordClki);
  }
  if (checkDescription && Description(block) != Description(StagingBlock())) {
    return "The description is not stored in S-record files; the file keeps its own.";
  }
  return {};
}

FileOutcome SaveStorableFile(Chip62500& chip, const std::string& openedPath,
                             const std::string& newPath, bool preserveAddresses) {
  const std::string refusal = StorageRefusal(chip, openedPath, true);
  if (!refusal.empty()) return RefusedSave(newPath.empty() ? openedPath : newPath, refusal);
  return SaveConfigurableFile(chip, openedPath, newPath, preserveAddresses);
}

FileOutcome RefusedSave(const std::string& path, const std::string& reason) {
  FileOutcome outcome;
  outcome.reason = reason;
  outcome.messages.push_back(
      StringPrintf("File \"%s\" could not be saved because:\n\n%s", path.c_str(), reason.c_str()));
  return outcome;
}

std::string FailureReason(const FileOutcome& outcome) {
  if (!outcome.reason.empty()) return outcome.reason;
  if (!outcome.messages.empty()) return outcome.messages.back();
  return "The file does not contain configuration data.";
}

}  // namespace k7q
