// Programs built by real toolchains from the exported HAL_config.c, and the tools that
// convert them: the shell steps of the tests that handle such files.
#pragma once

#include <string>

#include "tests/support/test_files.h"

// The build names the tools it found; these are the fallbacks.
#ifndef K7Q_C_COMPILER
#define K7Q_C_COMPILER "cc"
#endif
#ifndef K7Q_OBJCOPY
#define K7Q_OBJCOPY "objcopy"
#endif

namespace k7q {

// Runs the shell command in the folder; false with the command and its output in *log.
bool Shell(const std::string& folder, const std::string& command, std::string* log);

// The objcopy the build found, with the arguments.
inline std::string Objcopy(const std::string& arguments) {
  return std::string("'") + K7Q_OBJCOPY + "' " + arguments;
}

// Exports HAL_config.c and chip.h from the configurable file (the built-in block when
// empty) into the folder, beside the example's hal_private.h and the tests' print_main.c.
bool WriteProgramSources(const std::string& from, const std::string& folder, std::string* log);

// Where the two files (equally long) differ outside the block that after holds, as a
// text; empty when they differ only inside it.
std::string DifferencesOutsideBlock(const std::string& before, const std::string& after);

// The settings the tests apply: description, base address, CLKI and clock source, a
// register value.
std::string ToolchainSettingsPath();

}  // namespace k7q
