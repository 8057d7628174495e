#include "formats/file_kinds.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cctype>

#include "chipmodel/text_format.h"
#include "formats/intel_hex.h"
#include "formats/srecord_records.h"
#include "storage/safe_file.h"

namespace k7q {

namespace {

bool StartsAsPeImage(std::string_view head) {
  return head.substr(0, 2) == "MZ";
}

bool StartsAsElfImage(std::string_view head) {
  return head.substr(0, 4) == std::string_view(
                                  "\x7f"
                                  "ELF",
                                  4);
}

bool StartsAsSrecord(std::string_view head) {
  return head.size() >= 2 && head[0] == 'S' && head[1] >= '0' && head[1] <= '9';
}

bool StartsAsIntelHex(std::string_view head) {
  return head.size() >= 2 && head[0] == ':' && std::isxdigit(static_cast<unsigned char>(head[1]));
}

bool EndsWith(std::string_view path, std::string_view extension) {
  return path.size() >= extension.size() &&
         EqualsIgnoreCase(path.substr(path.size() - extension.size()), extension);
}

constexpr bool kOpens = true, kOnlyConfigured = false;
constexpr RecordReader kMappedImage = nullptr;
constexpr bool kStreamLayout = true, kNoStreamLayout = false;
constexpr bool (*kByNameOnly)(std::string_view) = nullptr;

}  // namespace

const std::vector<FileKind>& FileKinds() {
  // clang-format off
  static const std::vector<FileKind> kinds = {
      // filter           extensions                 main window      reader               stream layout    by content
      {"EXE Files",       {".exe"},                  kOpens,          kMappedImage,        kNoStreamLayout, StartsAsPeImage},
      {"ELF Files",       {".elf", ".axf", ".o"},    kOpens,          kMappedImage,        kNoStreamLayout, StartsAsElfImage},
      {"S9 Files",        {".s9", ".s19", ".srec"},  kOpens,          ReadSrecordRecords,  kStreamLayout,   StartsAsSrecord},
      {"Intel HEX Files", {".hex", ".ihex", ".ihx"}, kOpens,          ReadIntelHexRecords, kNoStreamLayout, StartsAsIntelHex},
      {"Binary Files",    {".bin"},                  kOpens,          kMappedImage,        kNoStreamLayout, kByNameOnly},
      {"IDP Files",       {".idp"},                  kOpens,          ReadSrecordRecords,  kStreamLayout,   kByNameOnly},
      {"TRAK-SH3 Files",  {".TKB"},                  kOpens,          ReadSrecordRecords,  kStreamLayout,   kByNameOnly},
      {"PRC Files",       {".prc"},                  kOnlyConfigured, kMappedImage,        kNoStreamLayout, kByNameOnly},
      {"V850E Files",     {".out"},                  kOpens,          kMappedImage,        kNoStreamLayout, kByNameOnly},
  };
  // clang-format on
  return kinds;
}

const FileKind* KindOfName(std::string_view path) {
  for (const FileKind& kind : FileKinds()) {
    for (std::string_view extension : kind.extensions) {
      if (EndsWith(path, extension)) return &kind;
    }
  }
  return nullptr;
}

const FileKind* KindOfContent(std::string_view head) {
  for (const FileKind& kind : FileKinds()) {
    if (kind.byContent && kind.byContent(head)) return &kind;
  }
  return nullptr;
}

const FileKind* KindOfFile(const std::string& path) {
  const FileKind* named = KindOfName(path);
  if (named && named->opensInMainWindow) return named;
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY));
  struct stat info;
  if (fd.get() < 0 || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  char head[4] = {};
  size_t done = 0;
  ReadAt(fd.get(), head, sizeof head, 0, &done);
  return KindOfContent(std::string_view(head, done));
}

bool IsRecordTextFile(const std::string& path) {
  const FileKind* kind = KindOfFile(path);
  return kind && kind->readRecords;
}

bool IsConfigurationFileName(std::string_view path) {
  return KindOfName(path) != nullptr;
}

}  // namespace k7q
