/* The bare loops compare.sh measures the tool against.
 *   bare_loop find NEEDLE FILE         maps FILE and finds NEEDLE with memmem
 *   bare_loop write NEEDLE BYTE FILE..  maps each file, finds NEEDLE, overwrites the
 *                                       block's CLKI byte with BYTE; one syncfs at the end
 * find-all and write-all go on to the end of each file for further occurrences, as a
 * locator that refuses a file with two blocks must. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static char needle[64];
static size_t needleLength;

static char* map;
static int all;

static char* Find(const char* path, int writable, size_t* length, int* fd) {
  *fd = open(path, writable ? O_RDWR : O_RDONLY);
  struct stat info;
  if (*fd < 0 || fstat(*fd, &info) != 0) return NULL;
  *length = (size_t)info.st_size;
  map = mmap(NULL, *length, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, *fd, 0);
  if (map == MAP_FAILED) return NULL;
  char* at = memmem(map, *length, needle, needleLength);
  for (char* next = at; all && next;) {
    next = memmem(next + 1, *length - (size_t)(next + 1 - map), needle, needleLength);
  }
  if (!at) {
    munmap(map, *length);
    return NULL;
  }
  return at;
}

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  FILE* in = fopen(argv[2], "rb");
  if (!in) return 2;
  needleLength = fread(needle, 1, sizeof needle, in);
  fclose(in);
  size_t length;
  int fd;
  all = strstr(argv[1], "-all") != NULL;
  if (strncmp(argv[1], "find", 4) == 0) return Find(argv[3], 0, &length, &fd) ? 0 : 1;
  const char byte = (char)strtol(argv[3], NULL, 0);
  int last = -1;
  for (int i = 4; i < argc; ++i) {
    char* at = Find(argv[i], 1, &length, &fd);
    if (!at) return 1;
    at[300] = byte; /* inside the block's numeric fields */
    munmap(map, length);
    if (last >= 0) close(last);
    last = fd;
  }
  if (last >= 0) {
    syncfs(last);
    close(last);
  }
  return 0;
}
