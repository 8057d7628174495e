// The commands of the tool; each returns the exit status.
#pragma once

#include <string>
#include <vector>

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
