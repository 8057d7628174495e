#include "export/preview_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace k7q {

std::string PrivatePreviewFolder(const std::string& parent, std::string* error) {
  static std::string folder;
  if (!folder.empty()) return folder;
  std::string pattern = parent + "/62500-preview-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) {
    *error = "Cannot create a preview folder in " + parent + ": " + std::strerror(errno);
    return {};
  }
  folder = name.data();
  return folder;
}

}  // namespace k7q
