#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "chipmodel/latin1_text.h"
#include "chipmodel/text_format.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/settings_input.h"
#include "settings/settings_diff.h"

namespace k7q {

namespace {

constexpr int kExitDiffer = 1;
constexpr int kExitTrouble = 2;

std::string RegisterText(const RegisterDifference& d, const std::optional<uint32_t>& value) {
  return value ? StringPrintf("%0*X", static_cast<int>(d.hexDigits), *value) : "-";
}

// Rows of cells in aligned columns, each row indented by two blanks.
std::string Columns(const std::string& title, const std::vector<std::vector<std::string>>& rows) {
  if (rows.empty()) return {};
  std::vector<size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows)
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  std::string out = title + "\n";
  for (const auto& row : rows) {
    std::string line = " ";
    for (size_t i = 0; i < row.size(); ++i)
      line += " " + PadField(static_cast<int>(i + 1 < row.size() ? widths[i] + 1 : 0), row[i]);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

std::string DiffText(const DiffOptions& options, const SettingsDiff& diff) {
  std::vector<std::vector<std::string>> features{{"Keyname", "Feature", options.a, options.b}};
  for (const FeatureDifference& d : diff.features)
    features.push_back({d.keyname, d.label, Latin1ToUtf8(d.a), Latin1ToUtf8(d.b)});
  std::vector<std::vector<std::string>> registers{{"Index", "Register", options.a, options.b}};
  for (const RegisterDifference& d : diff.registers) {
    registers.push_back(
        {StringPrintf("%04X", d.index), d.label, RegisterText(d, d.a), RegisterText(d, d.b)});
  }
  std::vector<std::vector<std::string>> fields{{"Field", options.a, options.b}};
  for (const BlockFieldDifference& d : diff.blockFields) fields.push_back({d.name, d.a, d.b});
  std::string out;
  if (!diff.features.empty()) out += Columns("Features", features);
  if (!diff.registers.empty()) out += Columns("Registers", registers);
  if (!diff.blockFields.empty()) out += Columns("Block fields", fields);
  return out;
}

nlohmann::json DiffJson(const DiffOptions& options, const SettingsDiff& diff) {
  nlohmann::json features = nlohmann::json::array();
  for (const FeatureDifference& d : diff.features)
    features.push_back({{"keyname", d.keyname},
                        {"label", d.label},
                        {"a", Latin1ToUtf8(d.a)},
                        {"b", Latin1ToUtf8(d.b)}});
  nlohmann::json registers = nlohmann::json::array();
  for (const RegisterDifference& d : diff.registers) {
    registers.push_back({{"index", d.index},
                         {"indexHex", StringPrintf("%04X", d.index)},
                         {"label", d.label},
                         {"a", d.a ? nlohmann::json(*d.a) : nlohmann::json()},
                         {"b", d.b ? nlohmann::json(*d.b) : nlohmann::json()}});
  }
  nlohmann::json fields = nlohmann::json::array();
  for (const BlockFieldDifference& d : diff.blockFields)
    fields.push_back({{"name", d.name}, {"a", d.a}, {"b", d.b}});
  return {{"a", options.a},       {"b", options.b},         {"equal", diff.Equal()},
          {"features", features}, {"registers", registers}, {"blockFields", fields}};
}

}  // namespace

int RunDiff(const DiffOptions& options) {
  Chip62500& a = TheChip();
  Chip62500 b;
  const bool loadedA = LoadConfiguration(a, options.a);
  const bool loadedB = LoadConfiguration(b, options.b);
  if (!loadedA || !loadedB) return kExitTrouble;
  const SettingsDiff diff = DiffSettings(a, b);
  const std::string out =
      options.json
          ? DiffJson(options, diff).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) +
                "\n"
          : DiffText(options, diff);
  std::fputs(out.c_str(), stdout);
  return diff.Equal() ? kExitOk : kExitDiffer;
}

}  // namespace k7q
