#include "export/export_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chipmodel/text_format.h"
#include "storage/staged_file.h"

namespace k7q {

ExportText GenerateExport(Chip62500& chip, const ExportKind& kind, unsigned mode) {
  ExportText result;
  result.text = kind.generate(chip, mode);
  // The CR LF text and its terminating NUL must fit the buffer.
  if (ToCrLf(result.text).size() + 1 > kind.bufferSize) {
    result.error = StringPrintf("The generated %s does not fit into %zu bytes.",
                                DefaultExportName(chip, kind, mode).c_str(), kind.bufferSize);
    result.text.clear();
    return result;
  }
  result.ok = true;
  return result;
}

std::string ToCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string WriteExportFile(const std::string& path, std::string_view text, std::string* reason) {
  const std::string failed = "Failed to create file " + path;
  std::string why = path.empty() ? std::strerror(ENOENT) : "";
  // A read-only file is not replaced, not even for root.
  struct stat existing;
  if (why.empty() && stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
      (existing.st_mode & 0222) == 0) {
    why = std::strerror(EACCES);
  }
  if (why.empty()) why = WriteWholeOutput(path, text);
  if (why.empty()) return {};
  if (reason) *reason = why;
  return failed;
}

std::string ExportToFile(Chip62500& chip, const ExportKind& kind, unsigned mode,
                         const std::string& path, std::string* reason) {
  const ExportText generated = GenerateExport(chip, kind, mode);
  if (!generated.ok) return generated.error;
  return WriteExportFile(path, ToCrLf(generated.text), reason);
}

}  // namespace k7q
