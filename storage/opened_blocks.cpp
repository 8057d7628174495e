#include "storage/opened_blocks.h"

#include <map>

namespace k7q {

namespace {

std::map<std::string, std::string>& Blocks() {
  static std::map<std::string, std::string> blocks;
  return blocks;
}

}  // namespace

void RememberOpenedBlock(const std::string& path, const std::string& bytes) {
  Blocks()[path] = bytes;
}

bool OpenedBlockChanged(const std::string& path, const std::string& bytes) {
  const auto found = Blocks().find(path);
  return found != Blocks().end() && found->second != bytes;
}

void UpdateOpenedBlock(const std::string& path, const std::string& bytes) {
  const auto found = Blocks().find(path);
  if (found != Blocks().end()) found->second = bytes;
}

}  // namespace k7q
