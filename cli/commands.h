// The commands of the tool; each returns the exit status.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "export/export_writer.h"

namespace CLI {
class App;
}

namespace k7q {

struct ShowOptions {
  std::string file = "-";
  bool json = false;
};
int RunShow(const ShowOptions& options);

struct GetOptions {
  std::string file;
  std::vector<std::string> features;
};
int RunGet(const GetOptions& options);

// Shared by set (FEATURE=VALUE) and setreg (INDEX=VALUE).
struct SetOptions {
  std::string file;
  std::vector<std::string> assignments;
  std::string saveAs;
  bool preserveAddresses = false;
};
int RunSet(const SetOptions& options);
int RunSetReg(const SetOptions& options);

struct CheckOptions {
  std::vector<std::string> files;
};
int RunCheck(const CheckOptions& options);

struct ConfigureOptions {
  std::string from;
  bool preserveAddresses = false;
  std::vector<std::string> targets;
};
int RunConfigure(const ConfigureOptions& options);

struct ExportOptions {
  const ExportKind* kind = &kExportKinds[0];
  std::string from = "-";
  unsigned mode = 0;
  std::string output;  // empty: the kind's default name; "-": stdout
};
// The kind names that export takes.
const std::map<std::string, const ExportKind*>& ExportKindNames();
// "hal-config (HAL_config.c), ..., wince-header (mode<N>.h), ...".
std::string ExportKindsHelp();
int RunExport(const ExportOptions& options);

struct EvalOptions {
  std::string expression;
  std::string from = "-";
};
int RunEval(const EvalOptions& options);

struct TemplateOptions {
  std::string file;
  std::string name;  // empty: list the templates
  std::string saveAs;
  bool preserveAddresses = false;
};
int RunTemplate(const TemplateOptions& options);

// The board command and its subcommands; the chosen one is put into run.
void AddBoardCommands(CLI::App& app, std::function<int()>& run);

struct DumpOptions {
  std::string file = "-";
  bool changed = false;
  std::string output;  // empty or "-": stdout
};
int RunDump(const DumpOptions& options);

struct ApplyOptions {
  std::string target;
  std::vector<std::string> settings;
  std::string saveAs;
};
int RunApply(const ApplyOptions& options);

// Exit status 0 when equal, 1 when they differ, 2 on an error.
struct DiffOptions {
  std::string a;
  std::string b;
  bool json = false;
};
int RunDiff(const DiffOptions& options);

}  // namespace k7q
