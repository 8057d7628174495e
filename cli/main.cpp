// 62500cfg: views and changes the configuration block of 62500 display driver images.
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <functional>
#include <string>

#include "cli/cli_output.h"
#include "cli/commands.h"

namespace k7q {

namespace {

void AddFileOptions(CLI::App* command, SetOptions& options, const char* assignment,
                    const char* assignmentHelp) {
  command->add_option("FILE", options.file, "Configurable file to change")->required();
  command->add_option(assignment, options.assignments, assignmentHelp)->required();
  command->add_option("--save-as", options.saveAs,
                      "Save into a copy with this name; the file itself is left unchanged");
  command->add_flag("--preserve-addresses", options.preserveAddresses,
                    "Keep the file's own chip base address");
}

}  // namespace

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  // A write past the file-size limit fails with its reason instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // Configuring many files holds them all open until the pass commits.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  CLI::App app{
      "Views and changes the configuration of 62500 display driver images.\n"
      "Without a command, shows the built-in default configuration.",
      "62500cfg"};
  app.set_version_flag("--version", std::string("62500cfg ") + K7Q_VERSION);
  app.require_subcommand(0, 1);
  std::function<int()> run = [] { return RunShow(ShowOptions{}); };

  ShowOptions show;
  CLI::App* showCommand = app.add_subcommand(
      "show", "Show the block fields, features and registers of a file (default: built-in block)");
  showCommand->add_option("FILE", show.file, "Configurable file, or - for the built-in block");
  showCommand->add_flag("--json", show.json, "Write one JSON document");
  showCommand->callback([&] { run = [&] { return RunShow(show); }; });

  GetOptions get;
  CLI::App* getCommand = app.add_subcommand("get", "Print the value of each feature, one a line");
  getCommand->add_option("FILE", get.file, "Configurable file, or - for the built-in block")
      ->required();
  getCommand->add_option("FEATURE", get.features, "Feature keynames")->required();
  getCommand->callback([&] { run = [&] { return RunGet(get); }; });

  SetOptions set;
  CLI::App* setCommand =
      app.add_subcommand("set", "Set features and save the file (nothing is saved on an error)");
  AddFileOptions(setCommand, set, "FEATURE=VALUE",
                 "Feature keyname and value; a number feature also takes an expression");
  setCommand->callback([&] { run = [&] { return RunSet(set); }; });

  SetOptions setReg;
  CLI::App* setRegCommand = app.add_subcommand(
      "setreg", "Set register values of the block's register list and save the file");
  AddFileOptions(setRegCommand, setReg, "INDEX=VALUE",
                 "Register index (hexadecimal) and value (hexadecimal unless suffixed)");
  setRegCommand->callback([&] { run = [&] { return RunSetReg(setReg); }; });

  CheckOptions check;
  CLI::App* checkCommand =
      app.add_subcommand("check", "Check that each file holds a valid configuration block");
  checkCommand->add_option("FILE", check.files, "Configurable files")->required();
  checkCommand->callback([&] { run = [&] { return RunCheck(check); }; });

  ConfigureOptions configure;
  CLI::App* configureCommand =
      app.add_subcommand("configure", "Write the configuration of one file into every target file");
  configureCommand
      ->add_option("--from", configure.from, "Configurable file, or - for the built-in block")
      ->required();
  configureCommand->add_flag("--preserve-addresses", configure.preserveAddresses,
                             "Each target keeps its own chip base address");
  configureCommand->add_option("TARGET", configure.targets, "Files to configure")->required();
  configureCommand->callback([&] { run = [&] { return RunConfigure(configure); }; });

  EvalOptions eval;
  CLI::App* evalCommand = app.add_subcommand(
      "eval",
      "Evaluate an expression over numbers (hexadecimal unless suffixed), \"texts\" and "
      "features; numbers print in decimal and hexadecimal");
  evalCommand->add_option("EXPR", eval.expression, "The expression, such as stride*lf")->required();
  evalCommand->add_option("--from", eval.from,
                          "Configurable file, or - for the built-in block (default)");
  evalCommand->callback([&] { run = [&] { return RunEval(eval); }; });

  TemplateOptions templateOptions;
  CLI::App* templateCommand = app.add_subcommand(
      "template",
      "Apply a template (a named set of feature values) and save the file; without NAME, "
      "list the templates, * marking the one the settings match");
  templateCommand
      ->add_option("FILE", templateOptions.file,
                   "Configurable file, or - to list for the "
                   "built-in block")
      ->required();
  templateCommand->add_option("NAME", templateOptions.name, "Template key, short or full name");
  templateCommand->add_option("--save-as", templateOptions.saveAs,
                              "Save into a copy with this name; the file itself is left unchanged");
  templateCommand->add_flag("--preserve-addresses", templateOptions.preserveAddresses,
                            "Keep the file's own chip base address");
  templateCommand->callback([&] { run = [&] { return RunTemplate(templateOptions); }; });

  ExportOptions exportOptions;
  CLI::App* exportCommand =
      app.add_subcommand("export", "Generate a file from a configuration: " + ExportKindsHelp());
  std::string exportKind;
  exportCommand->add_option("KIND", exportKind, "What to generate")
      ->required()
      ->check(CLI::IsMember(ExportKindNames()));
  exportCommand->add_option("--from", exportOptions.from,
                            "Configurable file, or - for the built-in block (default)");
  exportCommand->add_option("--mode", exportOptions.mode, "Mode number of the WinCE header")
      ->check(CLI::Range(0, 1000));
  exportCommand->add_option("-o,--output", exportOptions.output,
                            "File to write (default: the kind's usual name), or - for stdout");
  exportCommand->callback([&] {
    exportOptions.kind = ExportKindNames().at(exportKind);
    run = [&] { return RunExport(exportOptions); };
  });

  AddBoardCommands(app, run);

  DumpOptions dump;
  CLI::App* dumpCommand = app.add_subcommand(
      "dump", "Write the settings of a file as a settings file, which apply reads back");
  dumpCommand->add_option("FILE", dump.file, "Configurable file, or - for the built-in block")
      ->required();
  dumpCommand->add_flag("--changed", dump.changed,
                        "Only what differs from the built-in default block");
  dumpCommand->add_option("-o,--output", dump.output, "File to write (default: stdout)");
  dumpCommand->callback([&] { run = [&] { return RunDump(dump); }; });

  ApplyOptions apply;
  CLI::App* applyCommand = app.add_subcommand(
      "apply", "Apply settings files in order and save the file (nothing is saved on an error)");
  applyCommand->add_option("TARGET", apply.target, "Configurable file to change")->required();
  applyCommand->add_option("SETTINGS", apply.settings, "Settings files")->required();
  applyCommand->add_option("--save-as", apply.saveAs,
                           "Save into a copy with this name; the file itself is left unchanged");
  applyCommand->callback([&] { run = [&] { return RunApply(apply); }; });

  DiffOptions diff;
  CLI::App* diffCommand = app.add_subcommand(
      "diff",
      "Show the features, registers and block fields that differ; exit status 0 when equal, "
      "1 when they differ, 2 on an error");
  for (std::string* side : {&diff.a, &diff.b}) {
    diffCommand
        ->add_option(side == &diff.a ? "A" : "B", *side,
                     "Configurable file, settings file, or - for the built-in block")
        ->required();
  }
  diffCommand->add_flag("--json", diff.json, "Write one JSON document");
  diffCommand->callback([&] { run = [&] { return RunDiff(diff); }; });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
    PrintError(std::string(e.what()) + "\nRun with --help for more information.");
    return kExitUsage;
  }
  return run();
}
