#include "storage/descriptor_room.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>

namespace k7q {

namespace {

constexpr size_t kLargestRoom = 65536;

// The descriptors this process has open now; spare where they cannot be counted.
size_t OpenDescriptors(size_t spare) {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return spare;
  size_t count = 0;
  while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count > 0 ? count - 1 : 0;  // not the one that read the folder
}

}  // namespace

size_t FreeDescriptors(size_t spare) {
  rlimit limit{};
  const rlim_t most = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
  const size_t room = static_cast<size_t>(std::min<rlim_t>(most, kLargestRoom));
  const size_t used = OpenDescriptors(spare) + spare;
  return room > used ? room - used : 1;
}

}  // namespace k7q
