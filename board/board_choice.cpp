#include "board/board_choice.h"

#include <unistd.h>

#include <cstdlib>
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

}  // namespace

std::string SimulatedBoardPath() {
  const char* value = std::getenv(kSimulatedBoardVariable);
  if (!value || !*value || std::string(value) == "0") return {};
  if (std::string(value) != "1") return value;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/" + kDefaultBoardFile;
  return "/tmp/" + std::string(kDefaultBoardFile) + "-" + std::to_string(::getuid());
}

std::unique_ptr<BoardDriver> MakeBoardDriver(const ChipTables& tables, const HalStruct& block) {
  const std::string path = SimulatedBoardPath();
  if (path.empty()) return std::make_unique<DeviceFileDriver>();
  std::string error;
  std::unique_ptr<SimulatedChipStore> store = SimulatedChipStore::OpenFile(path, &error);
  if (!store) return std::make_unique<UnavailableBoard>(error);
  return std::make_unique<SimulatedBoard>(SimulatedLayoutFor(tables, block), std::move(store));
}

}  // namespace k7q
