// A folder of the process's own for previewed files, so that no other user can plant a
// file or link under the name a preview writes.
#pragma once

#include <string>

namespace k7q {

// Creates, on first use, a new folder readable by this user only (mkdtemp) inside
// parent and returns it on every later call; empty (and *error set) when it cannot be
// created.
std::string PrivatePreviewFolder(const std::string& parent, std::string* error);

}  // namespace k7q
