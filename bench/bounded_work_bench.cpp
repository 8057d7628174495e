// Inputs whose work once grew without bound: text repeats, the longest expressions,
// and wide and deep UI feature documents.
#include <benchmark/benchmark.h>

#include <string>

#include "config/chip62500.h"
#include "expr/expression.h"
#include "uifeatures/ui_features.h"

namespace k7q {

namespace {

std::string Times(const std::string& text, size_t n) {
  std::string out;
  while (n-- > 0) out += text;
  return out;
}

void BM_EmptyTextRepeat(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Evaluate("\"\"*FFFFFFFF"));
}
BENCHMARK(BM_EmptyTextRepeat);

// The longest expression accepted, nested parentheses and a chain of operators.
void BM_LongestExpressions(benchmark::State& state) {
  const size_t depth = (kMaxExprLength - 1) / 2;
  const std::string nested = Times("(", depth) + "1" + Times(")", depth);
  const std::string chain = "1" + Times("+1", (kMaxExprLength - 1) / 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(Evaluate(state.range(0) == 0 ? nested : chain));
  }
}
BENCHMARK(BM_LongestExpressions)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UiFeatureDocuments(benchmark::State& state) {
  Chip62500 chip;
  const size_t n = 200000;
  const std::string document = state.range(0) == 0
                                   ? "<U>" + Times("<UIITEM/>", n) + "</U>"
                                   : "<U>" + Times("<UIITEM>", n) + Times("</UIITEM>", n) + "</U>";
  for (auto _ : state) UiFeatures features(chip, document);
}
BENCHMARK(BM_UiFeatureDocuments)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace k7q
