#include "storage/opened_blocks.h"

#include <map>

namespace k7q {

namespace {

std::map<std::string, std::string> blocks;

}  // namespace

void RememberOpenedBlock(const std::string& path, const std::string& bytes) {
  blocks[path] = bytes;
}

bool OpenedBlockChanged(const std::string& path, const std::string& bytes) {
  const auto found = blocks.find(path);
  return found != blocks.end() && found->second != bytes;
}

void UpdateOpenedBlock(const std::string& path, const std::string& bytes) {
  const auto found = blocks.find(path);
  if (found != blocks.end()) found->second = bytes;
}

}  // namespace k7q
