// Throughput of the two matrix kernels: the local score fill (once per pair,
// over the whole pair) and the affine-gap global fill with its traceback
// (once per stretch between anchors). Reports cells per second and the bytes
// of matrix memory per cell.

#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <sstream>

#include "align/GotohAligner.hpp"
#include "kernels/Kernels.hpp"
#include "anchor/LocalScoreMatrix.hpp"
#include "common/WorkArena.hpp"
#include "scoring/ScoreMatrix.hpp"

namespace {

const ScoreLookup& hoxd70() {
    static const ScoreLookup lookup = [] {
        std::istringstream in(
            ">HOXD70\nA C G T\nA 91 -114 -31 -123\nC -114 100 -125 -31\n"
            "G -31 -125 100 -114\nT -123 -31 -114 91\n");
        return ScoreMatrix(in).lookup();
    }();
    return lookup;
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

// The whole-matrix fill of one pair as the programs run it: traceback
// choices for every cell, on one thread.
void BM_LocalFill(benchmark::State& state) {
    auto [a, b] = input(static_cast<int>(state.range(0)));
    state.SetLabel(inputName(static_cast<int>(state.range(0))));
    WorkArena arena;
    for (auto _ : state) {
        LocalScoreMatrix m(a, b, hoxd70(), -500, LocalFillOptions{}, arena);
        std::vector<Cell> cells;
        benchmark::DoNotOptimize(m.fill(cells));
    }
    report(state, (a.size() + 1.0) * (b.size() + 1.0), 0.25);
}

// The second argument is the threads the fill and the traceback's blocks
// may split into strips of columns (wall time when more than one).
void BM_GotohAlign(benchmark::State& state) {
    auto [a, b] = input(static_cast<int>(state.range(0)));
    state.SetLabel(inputName(static_cast<int>(state.range(0))));
    const StripPolicy strips{static_cast<int>(state.range(1))};
    std::vector<char> r1, r2;
    WorkArena arena;
    for (auto _ : state) {
        r1.clear();
        r2.clear();
        GotohAligner g(a, b, hoxd70(), -500, -25, &arena, strips);
        benchmark::DoNotOptimize(g.alignGlobal(r1, r2));
    }
    report(state, (a.size() + 1.0) * (b.size() + 1.0), 0.0);
}

void BM_GotohScoreOnly(benchmark::State& state) {
    auto [a, b] = input(static_cast<int>(state.range(0)));
    state.SetLabel(inputName(static_cast<int>(state.range(0))));
    const ScoreLookup& lookup = hoxd70();
    for (auto _ : state) benchmark::DoNotOptimize(GotohAligner::globalScore(a, b, lookup, -500, -25));
    report(state, (a.size() + 1.0) * (b.size() + 1.0), 0.0);
}

// The row kernels alone, per kernel set, on a 5k x 5k random DNA pair with the
// HOXD70 pair scores: the local fill as the whole-matrix pass runs it (linear
// gap = gap open), with choices stored for every cell or none, and the global
// fill with a move byte per cell or without.
constexpr int kRowBenchLength = 5000;

struct RowBenchInput {
    std::vector<int> profile;  // 4 rows of n + 1 pair scores, one per residue code
    std::vector<int> codes1;
};

const RowBenchInput& rowBenchInput() {
    static const RowBenchInput in = [] {
        const int hoxd70[4][4] = {
            {91, -114, -31, -123}, {-114, 100, -125, -31}, {-31, -125, 100, -114}, {-123, -31, -114, 91}};
        std::mt19937 rng(42);
        const int n = kRowBenchLength;
        RowBenchInput r;
        std::vector<int> codes2(n);
        r.codes1.resize(n);
        for (int& c : r.codes1) c = static_cast<int>(rng() % 4);
        for (int& c : codes2) c = static_cast<int>(rng() % 4);
        r.profile.assign(4 * (n + 1), 0);
        for (int c = 0; c < 4; ++c)
            for (int j = 1; j <= n; ++j) r.profile[c * (n + 1) + j] = hoxd70[c][codes2[j - 1]];
        return r;
    }();
    return in;
}

void reportCells(benchmark::State& state, double cellsPerIteration) {
    state.counters["cells_per_s"] = benchmark::Counter(
        cellsPerIteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_LocalRows(benchmark::State& state, const KernelSet* set, bool withChoices) {
    const RowBenchInput& in = rowBenchInput();
    const int n = kRowBenchLength;
    const std::size_t width = n + 1;
    std::vector<int> rows(2 * width, 0);
    std::vector<std::uint8_t> choices(withChoices ? width * (n + 1) : 0);
    for (auto _ : state) {
        int* prev = rows.data();
        int* cur = prev + width;
        std::fill(prev, prev + width, 0);
        int best = 0;
        for (int i = 1; i <= n; ++i) {
            const int* scores = in.profile.data() + in.codes1[i - 1] * width;
            best = std::max(best, set->localRow(prev, cur, scores, n, -500,
                                                withChoices ? choices.data() + i * width : nullptr));
            std::swap(prev, cur);
        }
        benchmark::DoNotOptimize(best);
    }
    reportCells(state, static_cast<double>(n) * n);
}

// The same rows over 16-bit values: a random pair's local scores stay far
// below the 16-bit guard, as they do over most of a dissimilar pair.
void BM_LocalRows16(benchmark::State& state, const KernelSet* set, bool withChoices) {
    const RowBenchInput& in = rowBenchInput();
    const int n = kRowBenchLength;
    const std::size_t width = n + 1;
    const std::vector<std::int16_t> profile(in.profile.begin(), in.profile.end());
    std::vector<std::int16_t> rows(2 * width, 0);
    std::vector<std::uint8_t> choices(withChoices ? width * (n + 1) : 0);
    for (auto _ : state) {
        std::int16_t* prev = rows.data();
        std::int16_t* cur = prev + width;
        std::fill(prev, prev + width, 0);
        int best = 0;
        for (int i = 1; i <= n; ++i) {
            const std::int16_t* scores = profile.data() + in.codes1[i - 1] * width;
            const int rowMax = set->localRow16(prev, cur, scores, n, -500,
                                               withChoices ? choices.data() + i * width : nullptr);
            if (!localRowFits16(rowMax, 100)) {
                state.SkipWithError("the random pair's scores outgrew 16 bits");
                return;
            }
            best = std::max(best, rowMax);
            std::swap(prev, cur);
        }
        benchmark::DoNotOptimize(best);
    }
    reportCells(state, static_cast<double>(n) * n);
}

void BM_GotohRows(benchmark::State& state, const KernelSet* set, bool withMoves) {
    const RowBenchInput& in = rowBenchInput();
    const int n = kRowBenchLength, open = -500, ext = -25;
    const std::size_t width = n + 1;
    std::vector<int> buf(6 * width);
    std::vector<std::uint8_t> moves(withMoves ? width * (n + 1) : 0);
    for (auto _ : state) {
        GotohRowStates prev{buf.data(), buf.data() + width, buf.data() + 2 * width};
        GotohRowStates cur{buf.data() + 3 * width, buf.data() + 4 * width, buf.data() + 5 * width};
        prev.d[0] = prev.p[0] = prev.q[0] = 0;
        for (int j = 1; j <= n; ++j) {
            prev.d[j] = prev.p[j] = kImpossible;
            prev.q[j] = open + (j - 1) * ext;
        }
        for (int i = 1; i <= n; ++i) {
            cur.d[0] = cur.q[0] = kImpossible;
            cur.p[0] = open + (i - 1) * ext;
            set->gotohRow(in.profile.data() + in.codes1[i - 1] * width, n, open, ext, prev, cur,
                          withMoves ? moves.data() + i * width : nullptr);
            std::swap(prev, cur);
        }
        benchmark::DoNotOptimize(prev.d[n]);
    }
    reportCells(state, static_cast<double>(n) * n);
}

}  // namespace

BENCHMARK(BM_LocalFill)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GotohAlign)->ArgsProduct({{0, 1, 2, 3}, {1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GotohAlign)->Args({3, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GotohScoreOnly)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
int main(int argc, char** argv) {
    for (const KernelSet* set : availableKernels()) {
        const std::string name = set->name;
        benchmark::RegisterBenchmark(("BM_LocalRows/" + name).c_str(), BM_LocalRows, set, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_LocalRowsChoices/" + name).c_str(), BM_LocalRows, set, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_LocalRows16/" + name).c_str(), BM_LocalRows16, set, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_LocalRows16Choices/" + name).c_str(), BM_LocalRows16, set, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_GotohRows/" + name).c_str(), BM_GotohRows, set, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_GotohRowsMoves/" + name).c_str(), BM_GotohRows, set, true)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
