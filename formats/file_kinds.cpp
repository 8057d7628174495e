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

}  // namespace

const std::vector<FileKind>& FileKinds() {
  static const std::vector<FileKind> kinds = {
      {"EXE Files", {".exe"}, true, nullptr, false, StartsAsPeImage},
      {"ELF Files", {".elf", ".axf", ".o"}, true, nullptr, false, StartsAsElfImage},
      {"S9 Files", {".s9", ".s19", ".srec"}, true, ReadSrecordRecords, true, StartsAsSrecord},
      {"Intel HEX Files",
       {".hex", ".ihex", ".ihx"},
       true,
       ReadIntelHexRecords,
       false,
       StartsAsIntelHex},
      {"Binary Files", {".bin"}, true, nullptr, false, nullptr},
      {"IDP Files", {".idp"}, true, ReadSrecordRecords, true, nullptr},
      {"TRAK-SH3 Files", {".TKB"}, true, ReadSrecordRecords, true, nullptr},
      {"PRC Files", {".prc"}, false, nullptr, false, nullptr},
      {"V850E Files", {".out"}, true, nullptr, false, nullptr},
  };
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
