// Throughput of the two matrix kernels: the local score fill (once per pair,
// over the whole pair) and the affine-gap global fill with its traceback
// (once per stretch between anchors). Reports cells per second and the bytes
// of matrix memory per cell.

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <sstream>

#include "align/NwGotoh.hpp"
#include "anchor/BestAligner.hpp"
#include "input/ScoreMatrix.hpp"

namespace {

const ScoreMatrix& hoxd70() {
    static const ScoreMatrix sm = [] {
        std::istringstream in(
            ">HOXD70\nA C G T\nA 91 -114 -31 -123\nC -114 100 -125 -31\n"
            "G -31 -125 100 -114\nT -123 -31 -114 91\n");
        return ScoreMatrix(in);
    }();
    return sm;
}

std::pair<std::string, std::string> realPair(const std::string& file) {
    std::ifstream in(std::string(TORVA_BENCH_DATA) + "/" + file);
    std::vector<std::string> seqs;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '>') {
            seqs.emplace_back();
        } else {
            for (char c : line) seqs.back().push_back(static_cast<char>(std::tolower(c)));
        }
    }
    if (seqs.size() < 2) throw std::runtime_error("cannot read " + file);
    return {seqs[0], seqs[1]};
}

std::pair<std::string, std::string> randomPair(int length) {
    std::mt19937 rng(42);
    std::string a(static_cast<std::size_t>(length), 'a'), b = a;
    const char letters[] = "acgt";
    for (char& c : a) c = letters[rng() % 4];
    for (char& c : b) c = letters[rng() % 4];
    return {a, b};
}

std::pair<std::string, std::string> input(int which) {
    switch (which) {
        case 0: return randomPair(2000);
        case 1: return realPair("dna_1k_yeast_cct4.fa");
        case 2: return realPair("dna_5k_hbg2_hbg1.fa");
        default: return realPair("dna_25k_kl1_kl2.fa");
    }
}

const char* inputName(int which) {
    static const char* names[] = {"random_2k", "real_1k", "real_5k", "real_25k"};
    return names[which];
}

void report(benchmark::State& state, double cells, double bytesPerCell) {
    state.counters["cells_per_s"] =
        benchmark::Counter(cells * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_per_cell"] = bytesPerCell;
}

void BM_LocalFill(benchmark::State& state) {
    auto [a, b] = input(static_cast<int>(state.range(0)));
    state.SetLabel(inputName(static_cast<int>(state.range(0))));
    bool narrow = false;
    for (auto _ : state) {
        BestAligner al(a, b, hoxd70(), -500, -25, 10, 100);
        benchmark::DoNotOptimize(al.maxScore);
        narrow = al.packedCells();
    }
    report(state, (a.size() + 1.0) * (b.size() + 1.0), narrow ? 1.5 : 4.0);
}

void BM_GotohAlign(benchmark::State& state) {
    auto [a, b] = input(static_cast<int>(state.range(0)));
    state.SetLabel(inputName(static_cast<int>(state.range(0))));
    std::vector<char> r1, r2;
    for (auto _ : state) {
        r1.clear();
        r2.clear();
        NW_GOTOH g(a, b, hoxd70(), -500, -25);
        benchmark::DoNotOptimize(g.GetAlignSeq(r1, r2));
    }
    report(state, (a.size() + 1.0) * (b.size() + 1.0), 1.0);
}

void BM_GotohScoreOnly(benchmark::State& state) {
    auto [a, b] = input(static_cast<int>(state.range(0)));
    state.SetLabel(inputName(static_cast<int>(state.range(0))));
    const ScoreLookup lookup(hoxd70());
    for (auto _ : state) benchmark::DoNotOptimize(NW_GOTOH::globalScore(a, b, lookup, -500, -25));
    report(state, (a.size() + 1.0) * (b.size() + 1.0), 0.0);
}

}  // namespace

BENCHMARK(BM_LocalFill)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GotohAlign)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GotohScoreOnly)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
