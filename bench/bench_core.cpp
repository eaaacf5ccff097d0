// The calculation core's conversions, each measured beside a plain baseline in
// the same run: numeroDaTesto against std::from_chars of the same numbers
// written in C notation, testoRisultato against snprintf("%.15G") of the same
// values. calcolaRisultati is the whole confirmation without the file.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <string_view>

#include "core/risultati.h"

using namespace ponderino;

namespace {

struct Numero {
    std::string_view italiano, c;
};

// What users type: whole measures, decimals, blanks, grouping, an exponent.
constexpr Numero numeri[] = {
    {"175", "175"},         {"70,5", "70.5"},           {" 80 ", "80"},
    {"1.234,5", "1234.5"},  {"1,5E-3", "1.5E-3"},       {"0,989473684210526", "0.989473684210526"},
    {"-12,34", "-12.34"},   {"68,1333333333333", "68.1333333333333"},
};

constexpr double valori[] = {63.456, 7, 123.45, -0.25, 12345.6, 200.0 / 3, 94.0 / 95, 0.00001, 1.5e16, 22.857142857142858};

void NumeroDaTesto(benchmark::State& stato) {
    for (auto _ : stato)
        for (const auto& n : numeri) benchmark::DoNotOptimize(numeroDaTesto(n.italiano, regionaliItaliane));
    stato.SetItemsProcessed(stato.iterations() * std::size(numeri));
}
BENCHMARK(NumeroDaTesto);

void BaseFromChars(benchmark::State& stato) {
    for (auto _ : stato) {
        for (const auto& n : numeri) {
            double v = 0;
            std::from_chars(n.c.data(), n.c.data() + n.c.size(), v);
            benchmark::DoNotOptimize(v);
        }
    }
    stato.SetItemsProcessed(stato.iterations() * std::size(numeri));
}
BENCHMARK(BaseFromChars);

void TestoRisultato(benchmark::State& stato) {
    for (auto _ : stato)
        for (const double v : valori) benchmark::DoNotOptimize(testoRisultato(v, regionaliItaliane));
    stato.SetItemsProcessed(stato.iterations() * std::size(valori));
}
BENCHMARK(TestoRisultato);

void BaseSnprintf(benchmark::State& stato) {
    char testo[40];
    for (auto _ : stato) {
        for (const double v : valori) {
            std::snprintf(testo, sizeof testo, "%.15G", v);
            benchmark::DoNotOptimize(testo);
        }
    }
    stato.SetItemsProcessed(stato.iterations() * std::size(valori));
}
BENCHMARK(BaseSnprintf);

void CalcolaRisultati(benchmark::State& stato) {
    const DatiSoggetto dati{"Mario", "30", "70", "45", "95", "80", "175"};
    for (auto _ : stato) benchmark::DoNotOptimize(calcolaRisultati(dati, regionaliItaliane));
}
BENCHMARK(CalcolaRisultati);

}  // namespace

BENCHMARK_MAIN();
