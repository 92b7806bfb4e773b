// Time and peak memory of one affine-gap global alignment with its traceback,
// the byte-per-cell way or the checkpointed way (or the score alone, for the
// cost of one fill). One way per process, so that the reported peak belongs to
// that way alone.
//
// Usage: torva_gotoh_traceback_bench fill|old|new random5k|real5k|real25k|real50k [blockRows]
// Prints: way, input, lengths, seconds, peak resident MiB, score, a checksum of the
// rows, and the cells computed a second time as a fraction of one fill.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "align/GotohTraceback.hpp"
#include "align/NwGotoh.hpp"
#include "input/ScoreMatrix.hpp"

namespace {

std::pair<std::string, std::string> readPair(const std::string& file) {
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

std::pair<std::string, std::string> input(const std::string& name) {
    if (name == "random5k") return randomPair(5000);
    if (name == "real5k") return readPair("dna_5k_hbg2_hbg1.fa");
    if (name == "real25k") return readPair("dna_25k_kl1_kl2.fa");
    if (name == "real50k") return readPair("dna_50k_aglobin_human_cow.fa");
    throw std::runtime_error("unknown input " + name);
}

unsigned long long checksum(const std::vector<char>& r1, const std::vector<char>& r2) {
    unsigned long long h = 1469598103934665603ULL;
    for (char c : r1) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    for (char c : r2) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return h;
}

// Cells the traceback computed again: each block above the bottom one (which
// the fill keeps) over the columns left of where the path enters it.
double recomputedCells(const std::vector<char>& r1, const std::vector<char>& r2, int n, int m,
                       int k) {
    double cells = 0;
    int i = n, j = m, loaded = (n - 1) / k;
    for (std::size_t c = r1.size(); c-- > 0 && i > 0 && j > 0;) {
        const int block = (i - 1) / k;
        if (block != loaded) {
            cells += static_cast<double>(std::min(k, n - block * k)) * j;
            loaded = block;
        }
        if (r1[c] != '-') --i;
        if (r2[c] != '-') --j;
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s fill|old|new INPUT [blockRows]\n", argv[0]);
        return 2;
    }
    const std::string way = argv[1];
    auto [a, b] = input(argv[2]);
    const int blockRows = argc > 3 ? std::stoi(argv[3]) : 0;
    std::ifstream mf(std::string(TORVA_SOURCE_DIR) + "/data/dnaMatrix");
    const ScoreMatrix sm(mf);
    const int open = -500, ext = -25;

    std::vector<char> r1, r2;
    int score = 0;
    double recomputed = 0;
    const auto t0 = std::chrono::steady_clock::now();
    if (way == "fill") {
        // The arithmetic of one fill without choices: the baseline for the other two.
        score = NW_GOTOH::globalScore(a, b, ScoreLookup(sm), open, ext);
    } else if (way == "old") {
        NW_GOTOH g(a, b, sm, open, ext);
        score = g.GetAlignSeq(r1, r2);
    } else {
        const ScoreLookup lookup(sm);
        const auto ca = lookup.encode(a), cb = lookup.encode(b);
        const GotohProblem p{ca.data(), static_cast<int>(ca.size()), cb.data(),
                             static_cast<int>(cb.size()), lookup, open, ext};
        GotohFill fill = fillGotohCheckpointed(p, blockRows);
        score = traceGotoh(p, fill, gotohGlobalStart(fill, p.n, p.m), a, b, r1, r2);
        recomputed = recomputedCells(r1, r2, p.n, p.m, fill.blockRows);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("%s %s %zux%zu seconds %.3f peak_MiB %.1f score %d rows %016llx recomputed %.2f\n",
                way.c_str(), argv[2], a.size(), b.size(), seconds,
                static_cast<double>(ru.ru_maxrss) / 1024.0, score, checksum(r1, r2),
                recomputed / (static_cast<double>(a.size()) * static_cast<double>(b.size())));
    return 0;
}
