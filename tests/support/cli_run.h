// Runs the command-line tool as a subprocess.
#pragma once

#include <string>
#include <vector>

namespace k7q {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs 62500cfg with the arguments, in the folder when one is given, stdin empty.
CliRun RunCli(const std::vector<std::string>& args, const std::string& folder = {});
// The same with the arguments split at blanks.
CliRun RunCliWords(const std::string& args, const std::string& folder = {});

}  // namespace k7q
