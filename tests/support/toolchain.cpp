#include "tests/support/toolchain.h"

#include <cstdlib>

#include "chipmodel/text_format.h"
#include "tests/support/cli_run.h"

namespace k7q {

bool Shell(const std::string& folder, const std::string& command, std::string* log) {
  const std::string logPath = folder + "/shell.log";
  const std::string line = "cd '" + folder + "' && (" + command + ") > '" + logPath + "' 2>&1";
  if (std::system(line.c_str()) == 0) return true;
  *log = command + ":\n" + ReadFile(logPath);
  return false;
}

bool WriteProgramSources(const std::string& from, const std::string& folder, std::string* log) {
  for (const char* kind : {"hal-config", "chip-header"}) {
    std::vector<std::string> args{"export", kind, "-o",
                                  folder + (kind[0] == 'h' ? "/HAL_config.c" : "/chip.h")};
    if (!from.empty()) args.insert(args.end(), {"--from", from});
    const CliRun run = RunCli(args);
    if (run.status != 0) {
      *log = "export " + std::string(kind) + ": " + run.err;
      return false;
    }
  }
  for (const char* name : {"../examples/driver-build/hal_private.h", "data/print_main.c"}) {
    const std::string source = TestSourcePath(name);
    WriteFile(folder + source.substr(source.rfind('/')), ReadFile(source));
  }
  return true;
}

std::string DifferencesOutsideBlock(const std::string& before, const std::string& after) {
  if (before.size() != after.size()) {
    return StringPrintf("the length changed from %zu to %zu", before.size(), after.size());
  }
  const size_t block = after.find("62500 HAL EXE");
  std::string text;
  for (size_t i = 0; i < after.size(); ++i) {
    if (before[i] == after[i] || (block != std::string::npos && i - block < kHalStructSize)) {
      continue;
    }
    if (text.size() < 200)
      text += StringPrintf("byte %zu: %02X -> %02X; ", i, static_cast<uint8_t>(before[i]),
                           static_cast<uint8_t>(after[i]));
  }
  return text;
}

std::string ToolchainSettingsPath() {
  return TestSourcePath("data/toolchain.settings");
}

}  // namespace k7q
