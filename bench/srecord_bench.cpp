// Reading the block out of a large S-record text and rewriting it, in memory and through files.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/srecord.h"

namespace {

constexpr size_t kTextSize = 64u << 20;

// S3 records of 32 data bytes, the block near the end.
const std::string& Text() {
  static const std::string text = [] {
    HalStruct block = DefaultHalStruct();
    block.clki = 6000;
    block.crc = BlockCrc(block);
    std::string data(reinterpret_cast<const char*>(&block), 280);  // ID, description, chip ID
    std::string fields(184, '\0');
    data += fields;
    std::string out;
    out.reserve(kTextSize + 4096);
    const size_t recordLength = 2 + 2 + 8 + 64 + 2 + 2;
    const size_t records = kTextSize / recordLength;
    std::string payload(records * 32 - 8192, '\x5A');
    payload += std::string(8, '\0') + data;  // size field at a record start
    payload.resize(records * 32, '\0');
    char line[128];
    for (size_t r = 0; r < records; ++r) {
      unsigned sum = 37 + ((r * 32) >> 24 & 0xFF) + ((r * 32) >> 16 & 0xFF) +
                     ((r * 32) >> 8 & 0xFF) + ((r * 32) & 0xFF);
      int n = std::snprintf(line, sizeof line, "S325%08zX", r * 32);
      for (size_t i = 0; i < 32; ++i) {
        const unsigned b = static_cast<uint8_t>(payload[r * 32 + i]);
        sum += b;
        n += std::snprintf(line + n, sizeof line - n, "%02X", b);
      }
      std::snprintf(line + n, sizeof line - n, "%02X\r\n", ~sum & 0xFF);
      out += line;
    }
    return out;
  }();
  return text;
}

void BM_ReadAndRewriteSrecord(benchmark::State& state) {
  const std::string& text = Text();
  std::string copy = text;  // the rewrite works on its own copy, as a save does
  for (auto _ : state) {
    HalStruct staging = DefaultHalStruct();
    std::string message;
    if (!ReadSrecordBlock(text, &staging, &message)) state.SkipWithError("read failed");
    copy.assign(text);
    if (!RewriteSrecordBlock(copy, &staging, &message)) state.SkipWithError("rewrite failed");
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}

// The same through the files: read, rewrite into a new text, flush and rename.
void BM_OpenAndSaveSrecordFile(benchmark::State& state) {
  char folder[] = "/tmp/k7qbench.XXXXXX";
  if (!mkdtemp(folder)) return state.SkipWithError("no temporary folder");
  const std::string path = std::string(folder) + "/image.s19";
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(Text().data(), 1, Text().size(), out);
    std::fclose(out);
  }
  for (auto _ : state) {
    if (!ReadSrecordFile(path).ok) state.SkipWithError("read failed");
    if (!WriteSrecordFile(path, "").ok) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * Text().size());
  std::remove(path.c_str());
  rmdir(folder);
}

}  // namespace

BENCHMARK(BM_ReadAndRewriteSrecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSaveSrecordFile)->Unit(benchmark::kMillisecond);
