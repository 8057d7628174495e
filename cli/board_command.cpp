// 62500cfg board: the evaluation board from the command line, for bench scripts.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "board/board_choice.h"
#include "board/board_hold.h"
#include "board/chip_runtime.h"
#include "board/panel_renderer.h"
#include "board/png_file.h"
#include "board/simulated_board.h"
#include "chipmodel/text_format.h"
#include "cli/chip_source.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/typed_value.h"

namespace k7q {

namespace {

struct BoardOptions {
  std::string from = "-";
  bool noRegisters = false;
  bool noClear = false;
  bool json = false;
  std::vector<std::string> items;  // register indices or INDEX=VALUE pairs
  std::string output;
};

const char* const kCheckNames[kCheckFlagCount] = {"outside-window", "read-only-write",
                                                  "memory-before-setup", "memory-while-asleep"};

const SimulatedBoard* Simulated(const Chip62500& chip) {
  return dynamic_cast<const SimulatedBoard*>(chip.Runtime().board.driver.get());
}

// The chip's own message as it is, on the stream of its outcome.
void PrintMessage(const std::string& message, bool ok) {
  std::fputs(message.c_str(), ok ? stdout : stderr);
}

void PrintNote(const Chip62500& chip, bool ok) {
  const std::string note = chip.BoardNote();
  if (!note.empty()) PrintMessage(note + "\n", ok);
}

// Loads the configuration and maps the board, saying why when either fails.
bool Attach(Chip62500& chip, const BoardOptions& options, bool quietNote = false) {
  if (!LoadSource(chip, options.from)) return false;
  std::string message;
  const bool ok = chip.AttachBoard(&message);
  if (!ok) PrintMessage(message, false);
  if (!ok || !quietNote) PrintNote(chip, ok);
  return ok;
}

// The register an index names; nothing, with the reason printed, when it is not one
// of the chip's registers.
std::optional<uint32_t> ChipRegister(Chip62500& chip, const std::string& text) {
  const std::optional<uint32_t> index = ParseNumberText(text, 16);
  uint32_t position = 0;
  if (!index || !chip.FindRegister(*index, false, &position) ||
      chip.Tables().registers[position].pseudo) {
    PrintError("not a register of the chip: '" + text + "'");
    return std::nullopt;
  }
  return index;
}

int RunInit(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  if (!LoadSource(chip, options.from)) return kExitFailed;
  const uint32_t mode = (options.noRegisters ? kSkipRegisterProgramming : 0) |
                        (options.noClear ? kSkipMemoryClear : 0);
  std::string message;
  chip.InitializeChip(mode, &message);
  // A mode other than 0 programs the chip but leaves it marked not initialized.
  const bool ok = message.rfind("Initialized ", 0) == 0;
  PrintMessage(message, ok);
  PrintNote(chip, ok);
  return ok ? kExitOk : kExitFailed;
}

int RunPattern(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  if (!Attach(chip, options)) return kExitFailed;
  // A simulated chip knows whether it was set up; a real board is taken as initialized.
  const SimulatedBoard* simulated = Simulated(chip);
  if (!simulated || simulated->Chip().systemSetWritten == 0xFF) chip.AssumeChipInitialised();
  const int result = chip.DrawTestPattern();
  if (result == 2) PrintError("62500 is not initialized!");
  if (result == 3) PrintError("Not enough video memeory!");
  return result == 0 ? kExitOk : kExitFailed;
}

int RunRead(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  std::vector<uint32_t> indices;
  bool valid = true;
  for (const std::string& text : options.items) {
    const std::optional<uint32_t> index = ChipRegister(chip, text);
    if (index && chip.IsRegisterWriteOnly(*index, false)) {
      PrintError(StringPrintf("register %04X is write-only", *index));
      valid = false;
    } else if (index) {
      indices.push_back(*index);
    } else {
      valid = false;
    }
  }
  if (!valid || !Attach(chip, options, options.json)) return kExitFailed;
  chip.SetLiveMode(true);
  nlohmann::json registers = nlohmann::json::array();
  for (uint32_t index : indices) {
    const uint32_t value = chip.ReadChipRegister(index);
    const uint32_t digits = std::max(2u, chip.RegisterHexDigits(index, false));
    if (options.json) {
      registers.push_back({{"index", StringPrintf("%04X", index)}, {"value", value}});
    } else {
      std::printf("%04X=%0*X\n", index, static_cast<int>(digits), value);
    }
  }
  if (options.json) {
    const SimulatedBoard* simulated = Simulated(chip);
    nlohmann::json out = {{"registers", registers}};
    out["simulated"] = simulated ? nlohmann::json(simulated->Path()) : nlohmann::json(nullptr);
    std::printf("%s\n", out.dump(2).c_str());
  }
  return kExitOk;
}

int RunWrite(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  std::vector<std::pair<uint32_t, uint32_t>> writes;
  bool valid = true;
  for (const std::string& text : options.items) {
    const size_t equals = text.find('=');
    const std::optional<uint32_t> index =
        equals == std::string::npos ? std::nullopt : ChipRegister(chip, text.substr(0, equals));
    if (equals == std::string::npos) PrintError("expected INDEX=VALUE, got '" + text + "'");
    if (!index) {
      valid = false;
      continue;
    }
    const std::optional<uint32_t> value = ParseNumberText(text.substr(equals + 1), 16);
    const uint32_t bits = chip.RegisterHexDigits(*index, false) * 4;
    if (chip.IsRegisterReadOnly(*index, false)) {
      PrintError(StringPrintf("register %04X is read-only", *index));
      valid = false;
    } else if (!value || (bits > 0 && bits < 32 && (*value >> bits) != 0)) {
      PrintError(StringPrintf("cannot write '%s' to register %04X: not a %u-bit number",
                              text.substr(equals + 1).c_str(), *index, bits));
      valid = false;
    } else {
      writes.push_back({*index, *value});
    }
  }
  if (!valid || !Attach(chip, options)) return kExitFailed;
  for (const auto& [index, value] : writes) chip.WriteChipRegister(index, value);
  return kExitOk;
}

int RunShutdown(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  if (!Attach(chip, options)) return kExitFailed;
  std::string message;
  if (chip.ShutdownChip(&message)) return kExitOk;
  PrintMessage(message, false);
  return kExitFailed;
}

// The simulated board that the environment names; nullptr, with the reason printed,
// when there is none.
const SimulatedBoard* SimulatedOnly(Chip62500& chip, const char* command) {
  if (SimulatedBoardPath().empty()) {
    PrintError(std::string("board ") + command + " needs the simulated board: set " +
               kSimulatedBoardVariable);
    return nullptr;
  }
  chip.UseBoardDriver(MakeBoardDriver(chip.Tables(), chip.Block()));
  const SimulatedBoard* simulated = Simulated(chip);
  if (!simulated) PrintNote(chip, false);
  return simulated;
}

int RunSnapshot(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  const SimulatedBoard* simulated = SimulatedOnly(chip, "snapshot");
  if (!simulated) return kExitFailed;
  const PanelImage image =
      RenderPanel(simulated->Chip().registers, simulated->Chip().memory, kSimulatedMemorySize);
  std::string error;
  if (!WritePng(options.output, {image.width, image.height, 1, image.pixels}, &error)) {
    PrintError(error);
    return kExitFailed;
  }
  PrintNote(chip, true);
  std::printf("Wrote %s (%ux%u).\n", options.output.c_str(), image.width, image.height);
  return kExitOk;
}

int RunBoardCheck(const BoardOptions& options) {
  Chip62500& chip = TheChip();
  const SimulatedBoard* simulated = SimulatedOnly(chip, "check");
  if (!simulated) return kExitFailed;
  nlohmann::json flags = nlohmann::json::array();
  if (!options.json) PrintNote(chip, true);
  for (uint32_t f = 0; f < kCheckFlagCount; ++f) {
    const CheckRecord& record = simulated->Chip().checks[f];
    if (record.count == 0) continue;
    const std::string text = CheckFlagText(static_cast<CheckFlag>(f), record);
    flags.push_back({{"flag", kCheckNames[f]},
                     {"count", record.count},
                     {"firstOffset", record.firstOffset},
                     {"text", text}});
    if (!options.json) std::printf("%s\n", text.c_str());
  }
  if (options.json) {
    const nlohmann::json out = {{"simulated", simulated->Path()}, {"flags", flags}};
    std::printf("%s\n", out.dump(2).c_str());
  } else if (flags.empty()) {
    std::printf("No accesses that a real chip would not take.\n");
  }
  return flags.empty() ? kExitOk : kExitFailed;
}

}  // namespace

void AddBoardCommands(CLI::App& app, std::function<int()>& run) {
  static BoardOptions options;
  CLI::App* board = app.add_subcommand(
      "board",
      "Drive the evaluation board (or the simulated board that K7Q_SIMULATED_BOARD names: a "
      "file, or 1 for one in the runtime folder)");
  board->require_subcommand(1);
  auto from = [](CLI::App* command) {
    command->add_option("--from", options.from,
                        "Configuration to drive the board with: configurable file, or - for "
                        "the built-in block (default)");
  };
  auto command = [&](const char* name, const char* help, int (*action)(const BoardOptions&)) {
    CLI::App* sub = board->add_subcommand(name, help);
    // Each command holds the board for its whole run.
    sub->callback([&run, action] {
      run = [action] {
        const BoardHold hold = HoldBoard();
        return action(options);
      };
    });
    return sub;
  };

  CLI::App* init = command("init", "Initialize the chip from a configuration", RunInit);
  init->add_option("FILE", options.from, "Configurable file, or - for the built-in block");
  init->add_flag("--no-registers", options.noRegisters, "Do not program the registers");
  init->add_flag("--no-clear", options.noClear, "Do not clear display memory");

  from(command("pattern", "Draw the test pattern on an initialized chip", RunPattern));

  CLI::App* read =
      command("read",
              "Read registers, one INDEX=VALUE a line (an indirect-interface board answers from "
              "the configuration, except the cursor)",
              RunRead);
  read->add_option("INDEX", options.items, "Register indices (hexadecimal)")->required();
  read->add_flag("--json", options.json, "Write one JSON document");
  from(read);

  CLI::App* write = command("write", "Write registers of the chip", RunWrite);
  write->add_option("INDEX=VALUE", options.items, "Register index and value (hexadecimal)")
      ->required();
  from(write);

  from(command("shutdown", "Put the panel to sleep", RunShutdown));

  CLI::App* snapshot =
      command("snapshot", "Write the picture of the panel as a PNG file (simulated board only)",
              RunSnapshot);
  snapshot->add_option("OUT", options.output, "PNG file to write")->required();

  CLI::App* check =
      command("check", "List the accesses that a real chip would not take (simulated board only)",
              RunBoardCheck);
  check->add_flag("--json", options.json, "Write one JSON document");
}

}  // namespace k7q
