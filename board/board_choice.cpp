#include "board/board_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/device_file_driver.h"
#include "board/simulated_board.h"

namespace k7q {

namespace {

constexpr const char* kDefaultBoardFile = "k7q62500-board";

// A board whose simulated chip could not be mapped: it cannot open and says why.
class UnavailableBoard : public BoardDriver {
 public:
  explicit UnavailableBoard(std::string reason) : reason_(std::move(reason)) {}
  bool OpenDevice() override { return false; }
  void CloseDevice() override {}
  bool Control(uint32_t, const uint32_t*, uint32_t, uint32_t*, uint32_t,
               uint32_t* returned) override {
    *returned = 0;
    return false;
  }
  uint8_t Read8(uint32_t) override { return 0xFF; }
  void Write8(uint32_t, uint8_t) override {}
  void Wait(uint32_t) override {}
  std::string Note() const override { return "Cannot open the " + reason_ + "."; }

 private:
  std::string reason_;
};

// Without a runtime folder, the default board lives in a folder of the user's own under
// the temporary folder, where nobody else can plant a link or a file.
std::string PrivateBoardFolder() {
  const char* temporary = std::getenv("TMPDIR");
  const std::string base = temporary && *temporary == '/' ? temporary : "/tmp";
  return base + "/" + kDefaultBoardFile + "-" + std::to_string(::getuid());
}

bool UsesPrivateBoardFolder() {
  const char* value = std::getenv(kSimulatedBoardVariable);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return value && std::string(value) == "1" && !(runtime && *runtime);
}

}  // namespace

std::string SimulatedBoardPath() {
  const char* value = std::getenv(kSimulatedBoardVariable);
  if (!value || !*value || std::string(value) == "0") return {};
  if (std::string(value) != "1") return value;
  if (UsesPrivateBoardFolder()) return PrivateBoardFolder() + "/board";
  return std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + kDefaultBoardFile;
}

bool PrepareSimulatedBoardFolder(std::string* error) {
  if (!UsesPrivateBoardFolder()) return true;
  const std::string folder = PrivateBoardFolder();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "simulated board folder " + folder + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  const char* refusal = nullptr;
  if (::lstat(folder.c_str(), &info) != 0) {
    refusal = std::strerror(errno);
  } else if (!S_ISDIR(info.st_mode)) {
    refusal = "not a folder (a link or a file in its place)";
  } else if (info.st_uid != ::getuid()) {
    refusal = "it belongs to another user";
  } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    refusal = "others can write in it";
  }
  if (refusal) *error = "simulated board folder " + folder + ": " + refusal;
  return refusal == nullptr;
}

std::unique_ptr<BoardDriver> MakeBoardDriver(const ChipTables& tables, const HalStruct& block) {
  const std::string path = SimulatedBoardPath();
  if (path.empty()) return std::make_unique<DeviceFileDriver>();
  std::string error;
  if (!PrepareSimulatedBoardFolder(&error)) return std::make_unique<UnavailableBoard>(error);
  std::unique_ptr<SimulatedChipStore> store = SimulatedChipStore::OpenFile(path, &error);
  if (!store) return std::make_unique<UnavailableBoard>(error);
  return std::make_unique<SimulatedBoard>(SimulatedLayoutFor(tables, block), std::move(store));
}

}  // namespace k7q
