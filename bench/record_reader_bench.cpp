// Reading every record of a large S-record or Intel HEX text into an address space and
// finding the signature among its addresses: what opening such a file costs.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/record_input.h"
#include "formats/address_space.h"
#include "formats/file_kinds.h"
#include "formats/intel_hex.h"
#include "formats/srecord_records.h"

namespace k7q {

namespace {

const char kSignature[] = "62500 HAL EXE";

void ReadRecords(benchmark::State& state, const std::string& text, RecordReader read) {
  for (auto _ : state) {
    AddressSpace space(kSignature);
    if (read(text, space)) state.SkipWithError("read failed");
    if (space.NeedleAddresses(text).size() != 1) state.SkipWithError("no single signature");
    benchmark::DoNotOptimize(space);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ReadSrecordRecords(benchmark::State& state) {
  static const std::string text = SrecordByAddressText(64u << 20);
  ReadRecords(state, text, ReadSrecordRecords);
}

void BM_ReadIntelHexRecords(benchmark::State& state) {
  static const std::string text = IntelHexBenchText(64u << 20);
  ReadRecords(state, text, ReadIntelHexRecords);
}

}  // namespace

BENCHMARK(BM_ReadSrecordRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIntelHexRecords)->Unit(benchmark::kMillisecond);

}  // namespace k7q
