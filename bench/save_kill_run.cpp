// Kills saves of a large S-record file and a large ELF image, at random moments and
// before and after each file call, and checks, after the next open, that each file is as
// it was before the save or as the save meant it to be.
// Run by hand: save_kill_run FOLDER [ROUNDS]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "bench/srecord_input.h"
#include "config/block_locator.h"
#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "formats/file_kinds.h"
#include "formats/srecord_codec.h"
#include "formats/srecord_file.h"
#include "storage/file_system.h"

namespace k7q {

namespace {

std::string ReadAllOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAllOf(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ElfImage(size_t size) {
  HalStruct block = DefaultHalStruct();
  block.crc = BlockCrc(block);
  std::string image(size, '\0');
  std::mt19937 random(7);
  for (char& c : image) c = static_cast<char>(random());
  image.replace(size / 2, sizeof block, reinterpret_cast<const char*>(&block), sizeof block);
  return image;
}

// The file as a clean save of fx = value makes it.
std::string Intended(const std::string& path, const std::string& before, unsigned value) {
  Chip62500 chip;
  if (!OpenConfigurableFile(chip, path).ok) return {};
  chip.SetValueText("fx", std::to_string(value));
  std::string intended = before;
  std::string message;
  if (KindOfName(path)->streamLayout) {
    auto* staging = reinterpret_cast<uint8_t*>(&StagingBlock());
    StoreBlockIntoImage(chip, staging, kHalStructSize, false, &message);
    HalStruct copy = StagingBlock();
    RewriteSrecordBlock(intended, &copy, &message);
  } else {
    StoreBlockIntoImage(chip, reinterpret_cast<uint8_t*>(intended.data()), intended.size(), false,
                        &message);
  }
  return intended;
}

// Kill points in the file calls of a save: killed before call killAt, or after it.
int callCount = 0, killAt = -1;
bool killAfter = false;

void Before() {
  if (++callCount == killAt && !killAfter) raise(SIGKILL);
}

template <typename T>
T After(T result) {
  if (callCount == killAt && killAfter) raise(SIGKILL);
  return result;
}

const FileSystemCalls kKillingCalls = {
    [](const char* p, int f, mode_t m) { return Before(), After(SystemFileCalls().open(p, f, m)); },
    [](int fd, const void* d, size_t n, off_t o) {
      return Before(), After(SystemFileCalls().pwrite(fd, d, n, o));
    },
    [](int fd) { return Before(), After(SystemFileCalls().fsync(fd)); },
    [](const char* a, const char* b) { return Before(), After(SystemFileCalls().rename(a, b)); },
    [](const char* p) { return Before(), After(SystemFileCalls().unlink(p)); },
    [](int fd) { return Before(), After(SystemFileCalls().close(fd)); },
    [](int fd, off_t n) { return Before(), After(SystemFileCalls().ftruncate(fd, n)); },
};

struct Counts {
  int rounds = 0, before = 0, saved = 0, damaged = 0, stray = 0, undone = 0;
};

Counts Run(const std::string& folder, const std::string& name, const std::string& image,
           int rounds) {
  const std::string path = folder + "/" + name;
  WriteAllOf(path, image);
  std::string before = image;
  std::mt19937 random(11);
  Counts counts;
  double longest = 0;  // microseconds a save took, measured unkilled first
  int calls = 0;       // file calls a save makes
  for (int round = 0; round <= rounds; ++round) {
    // Odd rounds: killed at a random moment. Even rounds: at each call in turn.
    const bool atCall = round > 0 && round % 2 == 0;
    const int point = atCall ? (round / 2 - 1) % (2 * calls) + 1 : 0;
    const unsigned value = 9 + round % 7;  // never the default 8: a save always changes bytes
    const std::string intended = Intended(path, before, value);
    int ready[2];
    if (pipe(ready) != 0) std::exit(2);
    const pid_t child = fork();
    if (child == 0) {
      Chip62500 chip;
      OpenConfigurableFile(chip, path);
      chip.SetValueText("fx", std::to_string(value));
      killAt = atCall ? (point + 1) / 2 : -1;
      killAfter = point % 2 == 0;
      FileSystem() = kKillingCalls;
      if (write(ready[1], "x", 1) != 1) _exit(255);
      _exit(SaveConfigurableFile(chip, path, "", false).ok ? callCount : 255);
    }
    char c;
    if (read(ready[0], &c, 1) != 1) std::exit(2);
    close(ready[0]);
    close(ready[1]);
    const auto start = std::chrono::steady_clock::now();
    if (round > 0 && !atCall) {
      usleep(static_cast<useconds_t>(std::uniform_real_distribution<>(0, longest * 1.1)(random)));
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (round == 0) {
      calls = WEXITSTATUS(status);
      if (calls == 255) std::exit(2);
      longest = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count();
      std::printf("%s: an unkilled save takes %.0f ms and %d file calls\n", name.c_str(),
                  longest / 1000, calls);
      before = ReadAllOf(path);
      continue;
    }
    Chip62500 reopened;
    const FileOutcome open = OpenConfigurableFile(reopened, path);
    const std::string now = ReadAllOf(path);
    ++counts.rounds;
    counts.undone += !open.notices.empty();
    if (open.ok && now == before) {
      ++counts.before;
    } else if (open.ok && now == intended) {
      ++counts.saved;
    } else {
      ++counts.damaged;
    }
    counts.stray +=
        static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}) - 1);
    before = now;
  }
  return counts;
}

}  // namespace

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  if (argc < 2) {
    std::fprintf(stderr, "usage: save_kill_run FOLDER [ROUNDS]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 100;
  bool allIntact = true;
  for (const auto& [name, image] :
       {std::pair<std::string, std::string>{"big.s19", SrecordBenchText(64u << 20)},
        {"big.elf", ElfImage(256u << 20)}}) {
    std::filesystem::create_directories(folder + "/" + name + ".d");
    const Counts c = Run(folder + "/" + name + ".d", name, image, rounds);
    std::printf(
        "%s: %d kills, %d as before (%d undone on opening), %d saved, %d damaged, "
        "%d stray files\n",
        name.c_str(), c.rounds, c.before, c.undone, c.saved, c.damaged, c.stray);
    allIntact = allIntact && c.damaged == 0 && c.stray == 0;
    std::filesystem::remove_all(folder + "/" + name + ".d");
  }
  return allIntact ? 0 : 1;
}
