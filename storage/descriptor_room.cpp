#include "storage/descriptor_room.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>

namespace k7q {

namespace {

constexpr size_t kLargestRoom = 65536;

// The descriptors this process has open now; as many as it may have where they cannot
// be counted (none left to read the folder with).
size_t OpenDescriptors() {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return kLargestRoom;
  size_t count = 0;
  while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count - 1;  // not the one that read the folder
}

}  // namespace

size_t FreeDescriptors(size_t spare) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  const size_t room = static_cast<size_t>(std::min<rlim_t>(limit.rlim_cur, kLargestRoom));
  const size_t used = OpenDescriptors() + spare;
  return room > used ? room - used : 1;
}

}  // namespace k7q
