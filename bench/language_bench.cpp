// Cost of a text lookup, which reads and decodes the whole language file on every call.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "config/catalogue.h"
#include "config/language.h"

namespace {

void UseShippedProgramFolder() {
    setenv("VELTRA_PROGRAM_FOLDER", VELTRA_DATA_DIR, 1);
}

void BM_GetLangText(benchmark::State& state) {
    UseShippedProgramFolder();
    veltra::SetCurrentLanguageId(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(veltra::GetLangText(714));
    }
}
BENCHMARK(BM_GetLangText)->Arg(veltra::kEnglish)->Arg(veltra::kSimplifiedChinese);

void BM_LoadCatalogue(benchmark::State& state) {
    UseShippedProgramFolder();
    for (auto _ : state) {
        benchmark::DoNotOptimize(veltra::LoadCatalogue());
    }
}
BENCHMARK(BM_LoadCatalogue);

}  // namespace
