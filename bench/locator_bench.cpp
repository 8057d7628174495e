// Locating the block in a large image, against memmem over the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/block_locator.h"
#include "config/chip62500.h"

namespace k7q {

namespace {

constexpr size_t kImageSize = 256u << 20;

const std::vector<uint8_t>& Image() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> bytes(kImageSize);
    uint32_t x = 12345;
    for (auto& b : bytes) {
      x = x * 1103515245u + 12345u;
      b = static_cast<uint8_t>(x >> 24);
    }
    HalStruct block = DefaultHalStruct();
    block.crc = BlockCrc(block);
    std::memcpy(bytes.data() + kImageSize - 4096, &block, sizeof block);
    return bytes;
  }();
  return image;
}

void BM_FindBlock(benchmark::State& state) {
  static Chip62500 chip;
  const auto& image = Image();
  for (auto _ : state) {
    BlockFind find = FindBlock(chip, image.data(), image.size(), true);
    benchmark::DoNotOptimize(find.position);
    if (find.result != FindResult::kFound) state.SkipWithError("block not found");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}

void BM_Memmem(benchmark::State& state) {
  const auto& image = Image();
  const char signature[] = "62500 HAL EXE";
  for (auto _ : state) {
    const void* hit = memmem(image.data(), image.size(), signature, sizeof signature - 1);
    benchmark::DoNotOptimize(hit);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}

}  // namespace

BENCHMARK(BM_Memmem)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindBlock)->Unit(benchmark::kMillisecond);

}  // namespace k7q
