#include "cli/config_listing.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "chipmodel/labels.h"
#include "chipmodel/latin1_text.h"
#include "chipmodel/text_format.h"
#include "uifeatures/ui_features.h"

namespace k7q {

namespace {

std::string FieldText(const char* field, size_t size) {
  return Latin1ToUtf8(std::string_view(field, strnlen(field, size)));
}

std::string FlagNames(uint32_t flags) {
  std::string names;
  for (const NamedHalFlag& entry : kNamedHalFlags) {
    if (!(flags & entry.mask)) continue;
    names += names.empty() ? " (" : " | ";
    names += entry.name;
  }
  return names.empty() ? names : names + ")";
}

std::vector<BlockFieldLine> BlockFields(const HalStruct& b) {
  auto text = [](const char* caption, const char* key, const std::string& value) {
    return BlockFieldLine{caption, key, value, value};
  };
  auto number = [](const char* caption, const char* key, const std::string& shown, uint32_t value) {
    return BlockFieldLine{caption, key, shown, value};
  };
  return {
      text("ID string", "idString", FieldText(b.idString, sizeof b.idString)),
      text("Configuration description", "configDescription",
           FieldText(b.configDescription, sizeof b.configDescription)),
      text("Chip ID", "chipId", FieldText(b.chipId, sizeof b.chipId)),
      number("Size", "size", StringPrintf("%u bytes", b.size), b.size),
      number("CRC", "crc", StringPrintf("0x%04X", b.crc), b.crc),
      number("Endian word", "endian", StringPrintf("0x%04X", b.endian), b.endian),
      number("Frame rate", "frameRate", StringPrintf("%u Hz", b.frameRate), b.frameRate),
      number("Internal oscillator", "internalOsc", StringPrintf("%u Hz", b.internalOsc),
             b.internalOsc),
      number("CLKI", "clki", StringPrintf("%u Hz", b.clki), b.clki),
      number("PCLK", "pclk", StringPrintf("%u Hz", b.pclk), b.pclk),
      number("Width", "width", StringPrintf("%u pixels", b.width), b.width),
      number("Height", "height", StringPrintf("%u lines", b.height), b.height),
      number("Bits per pixel", "bitsPerPixel", StringPrintf("%u", b.bitsPerPixel), b.bitsPerPixel),
      number("Base address", "baseAddress", StringPrintf("0x%08X", b.baseAddress), b.baseAddress),
      number("Register offset", "registerOffset", StringPrintf("0x%08X", b.registerOffset),
             b.registerOffset),
      number("Memory offset", "memoryOffset", StringPrintf("0x%08X", b.memoryOffset),
             b.memoryOffset),
      number("Required VRAM", "requiredVram", StringPrintf("%u bytes", b.requiredVram),
             b.requiredVram),
      number("Flags", "flags", StringPrintf("0x%08X", b.flags) + FlagNames(b.flags), b.flags),
  };
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::vector<FeatureLine> FeatureLines(Chip62500& chip) {
  std::vector<FeatureLine> lines;
  std::set<std::string> seen;
  // Copy the keynames first: the value operations may move the lookup cache.
  std::vector<std::string> keynames;
  for (const FeatureRecord& f : chip.Tables().features) {
    if (!f.keyname || !chip.IsApplicable(f.existsFor)) continue;
    if (seen.insert(Lower(*f.keyname)).second) keynames.push_back(*f.keyname);
  }
  for (const std::string& key : keynames) {
    FeatureLine line{key, FeatureLabel(chip, key, kLabelName).value_or(""), ""};
    const char* value = chip.GetValueText(key, true);
    if (value) line.value = Latin1ToUtf8(value);
    lines.push_back(std::move(line));
  }
  return lines;
}

void CollectTemplates(UiFeatures& ui, const std::vector<std::unique_ptr<UiNode>>& nodes,
                      std::vector<TemplateLine>& lines) {
  for (const auto& node : nodes) {
    UiItem& item = node->item;
    if (item.type == kUiTemplate && !item.templates.empty()) {
      const int match = ui.MatchTemplate(item);
      TemplateLine line{ui.Label(item, kLabelName), "", "(no match)"};
      if (match >= 0) {
        line.key = item.templates[static_cast<size_t>(match)].key.value_or("");
        line.name = ui.TemplateName(item, match, kLabelName);
      }
      lines.push_back(std::move(line));
    }
    CollectTemplates(ui, node->children, lines);
  }
}

std::vector<TemplateLine> TemplateLines(Chip62500& chip) {
  UiFeatures ui(chip);
  std::vector<TemplateLine> lines;
  CollectTemplates(ui, ui.TopLevel(), lines);
  return lines;
}

std::vector<RegisterLine> RegisterLines(Chip62500& chip) {
  std::vector<RegisterLine> lines;
  for (uint32_t p = 0; p < chip.BlockRegisterCount(); ++p) {
    RegisterLine line;
    if (!chip.BlockIndexAt(p, &line.index)) break;
    line.value = chip.BlockValueAt(p);
    line.hexDigits = std::max(2u, chip.RegisterHexDigits(line.index, false));
    line.label = RegisterLabel(chip, line.index, kLabelName | kLabelMarkers).value_or("");
    lines.push_back(std::move(line));
  }
  return lines;
}

// Appends the line without trailing blanks.
void AppendLine(std::string& out, std::string line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out += line + "\n";
}

}  // namespace

ConfigListing ListConfiguration(Chip62500& chip) {
  return {BlockFields(chip.Block()), TemplateLines(chip), FeatureLines(chip), RegisterLines(chip)};
}

std::string ListingText(const ConfigListing& listing) {
  std::string out = "Configuration block\n";
  size_t captionWidth = 0;
  for (const BlockFieldLine& line : listing.block)
    captionWidth = std::max(captionWidth, line.caption.size());
  for (const BlockFieldLine& line : listing.block)
    AppendLine(out, "  " + PadField(static_cast<int>(captionWidth + 2), line.caption) + line.text);

  out += "\nTemplates\n";
  size_t itemWidth = 0;
  for (const TemplateLine& line : listing.templates)
    itemWidth = std::max(itemWidth, line.item.size());
  for (const TemplateLine& line : listing.templates)
    AppendLine(out, "  " + PadField(static_cast<int>(itemWidth + 2), line.item) + line.name);

  out += "\nFeatures\n";
  size_t keyWidth = 0;
  size_t labelWidth = 0;
  for (const FeatureLine& line : listing.features) {
    keyWidth = std::max(keyWidth, line.keyname.size());
    labelWidth = std::max(labelWidth, line.label.size());
  }
  for (const FeatureLine& line : listing.features) {
    AppendLine(out, "  " + PadField(static_cast<int>(keyWidth + 2), line.keyname) +
                        PadField(static_cast<int>(labelWidth + 2), line.label) + line.value);
  }

  out += "\nRegisters\n";
  uint32_t valueWidth = 0;
  for (const RegisterLine& line : listing.registers)
    valueWidth = std::max(valueWidth, line.hexDigits);
  for (const RegisterLine& line : listing.registers) {
    const std::string value = StringPrintf("%0*X", static_cast<int>(line.hexDigits), line.value);
    AppendLine(out, StringPrintf("  %04X  %-*s  %s", line.index, static_cast<int>(valueWidth),
                                 value.c_str(), line.label.c_str()));
  }
  return out;
}

nlohmann::json ListingJson(const ConfigListing& listing) {
  nlohmann::json block = nlohmann::json::object();
  for (const BlockFieldLine& line : listing.block) block[line.key] = line.value;
  nlohmann::json features = nlohmann::json::array();
  for (const FeatureLine& line : listing.features)
    features.push_back({{"keyname", line.keyname}, {"label", line.label}, {"value", line.value}});
  nlohmann::json templates = nlohmann::json::array();
  for (const TemplateLine& line : listing.templates)
    templates.push_back({{"item", line.item}, {"key", line.key}, {"name", line.name}});
  nlohmann::json registers = nlohmann::json::array();
  for (const RegisterLine& line : listing.registers) {
    registers.push_back({{"index", line.index},
                         {"indexHex", StringPrintf("%04X", line.index)},
                         {"value", line.value},
                         {"label", line.label}});
  }
  return {
      {"block", block}, {"templates", templates}, {"features", features}, {"registers", registers}};
}

}  // namespace k7q
