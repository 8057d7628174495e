// Reading the block out of a large S-record text, and opening and saving such a file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/srecord_input.h"
#include "formats/srecord_codec.h"
#include "formats/srecord_file.h"

namespace k7q {

namespace {

const std::string& Text() {
  static const std::string text = SrecordBenchText(64u << 20);
  return text;
}

// The records parsed up to the block (halfway): what opening a file costs.
void BM_ReadSrecordBlock(benchmark::State& state) {
  const std::string& text = Text();
  SrecordBlockRecords records;
  for (auto _ : state) {
    HalStruct staging = DefaultHalStruct();
    std::string message;
    if (!ReadSrecordBlock(text, &staging, &message, &records)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(staging);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * records.end));
}

// Opening and saving the file in place: the save reads and rewrites the block's records.
void BM_OpenAndSaveSrecordFile(benchmark::State& state) {
  char folder[] = "/tmp/k7qbench.XXXXXX";
  if (!mkdtemp(folder)) return state.SkipWithError("no temporary folder");
  const std::string path = std::string(folder) + "/image.s19";
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(Text().data(), 1, Text().size(), out);
    std::fclose(out);
  }
  uint16_t value = 0;
  for (auto _ : state) {
    if (!ReadSrecordFile(path).ok) state.SkipWithError("read failed");
    StagingBlock().registers[0].value = ++value;  // every save writes
    const auto anyBlock = [](const HalStruct&) { return std::string(); };
    if (!WriteSrecordFile(path, "", anyBlock).ok) state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
  rmdir(folder);
}

}  // namespace

BENCHMARK(BM_ReadSrecordBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSaveSrecordFile)->Unit(benchmark::kMillisecond);

}  // namespace k7q
