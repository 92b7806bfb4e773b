// The readable view, the counts behind it, the identity profile, the
// pictures and the HTML report, on hand-made pair results.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <fstream>

#include "output/AlignmentTally.hpp"
#include "output/TextFormat.hpp"
#include "output/HtmlReport.hpp"
#include "output/IdentityProfile.hpp"
#include "output/SvgWriter.hpp"
#include "output/ViewWriter.hpp"
#include "output/WordMatches.hpp"
#include "pair/RunSettings.hpp"
#include "support/ViewText.hpp"

namespace {

std::vector<char> chars(const std::string& s) { return {s.begin(), s.end()}; }

// a~g and c~t score positive, as transitions might.
const PositivePairs kTransitions([](char a, char b) {
    const std::string pair{a, b};
    return pair == "ag" || pair == "ga" || pair == "ct" || pair == "tc";
});

PairAlignment globalPair(const std::string& r1, const std::string& r2) {
    PairAlignment p;
    p.name1 = "first some words", p.name2 = "second";
    p.row1 = chars(r1), p.row2 = chars(r2);
    p.length1 = static_cast<std::size_t>(std::count_if(r1.begin(), r1.end(), [](char c) { return c != '-'; }));
    p.length2 = static_cast<std::size_t>(std::count_if(r2.begin(), r2.end(), [](char c) { return c != '-'; }));
    p.score = 17, p.anchorScore = 12;
    return p;
}

std::string randomRow(std::mt19937& rng, std::size_t n, double gaps) {
    std::string row;
    std::uniform_real_distribution<double> u(0, 1);
    for (std::size_t c = 0; c < n; ++c) row += u(rng) < gaps ? '-' : "acgt"[rng() % 4];
    return row;
}

const RunDescription kRun{"torva -I x", "torva 1.0", "today", "/m/dnaMatrix",
                          resolveAlignParameters({}, 4, GappedAnchorRealign::kWindows)};

std::string view(const PairAlignment& p, std::size_t width = 60) {
    return viewText(p, 1, kRun, kTransitions, tallyPair(p, kTransitions), width);
}

// Every value of a header field, in order (one per anchor with -L).
std::vector<std::string> headerValues(const viewtext::PairView& v, const std::string& key) {
    std::vector<std::string> values;
    for (const std::string& line : v.header)
        if (line.rfind("# " + key + ":", 0) == 0) {
            const std::size_t from = line.find_first_not_of(' ', key.size() + 3);
            values.push_back(line.substr(from));
        }
    return values;
}

std::string headerValue(const viewtext::PairView& v, const std::string& key) {
    const auto values = headerValues(v, key);
    return values.empty() ? "(missing " + key + ")" : values.front();
}

// The quick conversion of picture coordinates gives the general one's text
// for every value: ties and values a hair from them, whole and large values,
// negative ones and those past its range.
TEST(FixedOne, SameTextAsTheGeneralConversion) {
    std::vector<double> values{0, 0.04, 0.05, 0.15, 0.25, 0.35, 0.75, 1.25, 2.5, 99.95, 100.0, 123.45,
                               999999.95, 999999.96, 1e6, 1e6 + 0.05, 5e9 + 0.25, 1e300, -0.0, -0.04, -0.25, -17.35};
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> any(0, 2000);
    for (int k = 0; k < 20000; ++k) {
        const double v = any(rng);
        values.push_back(v);
        // Next to a tie, and a tenth multiplied back, as coordinates are made.
        const double tie = std::floor(v * 10) / 10 + 0.05;
        values.push_back(std::nextafter(tie, 0.0));
        values.push_back(std::nextafter(tie, 1e9));
        values.push_back(100.0 + static_cast<double>(k % 600) * (600.0 / 7.0));
    }
    for (const double v : values) {
        char want[512], got[512];
        const std::string expected(want, std::to_chars(want, want + sizeof want, v, std::chars_format::fixed, 1).ptr);
        ASSERT_EQ(std::string(got, toFixedOne(got, got + sizeof got, v)), expected) << std::hexfloat << v;
    }
}

TEST(AlignmentTally, CountsEachKindOfColumn) {
    struct Case {
        std::string r1, r2;
        long long identical, similar, gaps;
    };
    for (const Case& c : std::vector<Case>{
             {"acgt", "acgt", 4, 4, 0},
             {"aCgt", "gctt", 2, 3, 0},   // case does not matter; a/g and c/t are positive
             {"a-gt", "ac-a", 1, 1, 2},   // a column of gaps counts as a gap, never as a pair
             {"", "", 0, 0, 0},
         }) {
        AlignmentTally t;
        t.add(chars(c.r1), chars(c.r2), kTransitions);
        EXPECT_EQ(std::tuple(t.columns, t.identical, t.similar, t.gaps),
                  std::tuple(static_cast<long long>(c.r1.size()), c.identical, c.similar, c.gaps))
            << c.r1 << " / " << c.r2;
    }
}

// Mask runs come back in front of their stand-in, row 1's run first, so that
// the rows are on the sequences as given.
TEST(AlignmentTally, AnchorRowsExpandMaskRuns) {
    AnchorRecord a;
    a.row1 = chars("acn-t"), a.row2 = chars("a-nnt");
    a.runs1 = {{2, 4}};
    a.runs2 = {{2, 3}, {3, 2}};
    const auto [r1, r2] = expandedRows(a);
    EXPECT_EQ(r1, "acnnn--n--t");
    EXPECT_EQ(r2, "a----nnnnnt");
}

// Blocks of at most the width, marks for each kind of column, positions that
// add up, and rows that join back to the alignment, for random rows.
TEST(ViewWriter, BlocksJoinBackToTheRows) {
    std::mt19937 rng(11);
    for (const std::size_t n : {0, 1, 59, 60, 61, 250}) {
        for (const std::size_t width : {60, 7}) {
            const PairAlignment p = globalPair(randomRow(rng, n, 0.15), randomRow(rng, n, 0.15));
            const auto views = viewtext::parseView(view(p, width), width);
            ASSERT_EQ(views.size(), 1u);
            EXPECT_EQ(views[0].row1, std::string(p.row1.begin(), p.row1.end())) << n;
            EXPECT_EQ(views[0].row2, std::string(p.row2.begin(), p.row2.end())) << n;
        }
    }
}

TEST(ViewWriter, MarksAndCountsFollowTheScoring) {
    const auto views = viewtext::parseView(view(globalPair("aacg-tt", "agcgatc")));
    ASSERT_EQ(views.size(), 1u);
    ASSERT_EQ(views[0].marks.size(), 1u);
    EXPECT_EQ(views[0].marks[0], "|:|| |:");
    EXPECT_EQ(headerValue(views[0], "Identity"), "4/7 (57.1%)");
    EXPECT_EQ(headerValue(views[0], "Similarity"), "6/7 (85.7%)");
    EXPECT_EQ(headerValue(views[0], "Gaps"), "1/7 (14.3%)");
    EXPECT_EQ(headerValue(views[0], "Score"), "17");
    EXPECT_EQ(headerValue(views[0], "Commandline"), "torva -I x");
    // How it was aligned, under needle's names where it has them.
    EXPECT_EQ(headerValue(views[0], "Program"), "torva 1.0");
    EXPECT_EQ(headerValue(views[0], "Matrix"), "dnaMatrix");
    EXPECT_EQ(headerValue(views[0], "Gap_penalty"), "500");
    EXPECT_EQ(headerValue(views[0], "Extend_penalty"), "25");
    EXPECT_EQ(headerValue(views[0], "Cutoff_factor"), "10");
    EXPECT_EQ(headerValue(views[0], "Min_region"), "100");
}

// The anchors the alignment was built on and those the listing shows are
// counted apart; a pair with none used says why.
TEST(ViewWriter, UsedAndListedAnchorsAreCountedApart) {
    PairAlignment p = globalPair("acgt", "acgt");
    AnchorRecord a;
    a.listed = true, a.used = true;
    AnchorRecord shortOne;
    shortOne.used = true;
    p.anchors = {a, shortOne, a};
    EXPECT_EQ(headerValue(viewtext::parseView(view(p))[0], "Anchors"), "3 used, 2 listed");
    for (AnchorRecord& r : p.anchors) r.used = false;
    EXPECT_EQ(headerValue(viewtext::parseView(view(p))[0], "Anchors"),
              "0 used, 2 listed (no local score beat the cutoff: the alignment is not built on them)");
    p.anchors.clear();
    EXPECT_EQ(headerValue(viewtext::parseView(view(p))[0], "Anchors"), "0 used, 0 listed");
}

// Without a global alignment the listed anchors follow one another, each
// numbered from its own start on the sequences as given.
TEST(ViewWriter, AnchorsOnlyShowsEachListedAnchor) {
    PairAlignment p;
    p.name1 = "q", p.name2 = "t", p.length1 = 400, p.length2 = 400, p.localOnly = true;
    AnchorRecord a;
    a.row1 = chars("acgtnacgt"), a.row2 = chars("acgtnacct");
    a.runs1 = {{4, 20}};
    a.begin1 = 100, a.end1 = 128, a.begin2 = 200, a.end2 = 209, a.listed = true;
    AnchorRecord unlisted = a;
    unlisted.listed = false;
    AnchorRecord b;
    b.row1 = chars("gg-c"), b.row2 = chars("ggac");
    b.begin1 = 300, b.end1 = 303, b.begin2 = 350, b.end2 = 354, b.listed = true;
    p.anchors = {a, unlisted, b};
    const std::string text = view(p);
    const auto views = viewtext::parseView(text);
    ASSERT_EQ(views.size(), 1u);
    const auto [r1, r2] = expandedRows(a);
    EXPECT_EQ(views[0].row1, r1 + "gg-c");
    EXPECT_EQ(views[0].row2, r2 + "ggac");
    EXPECT_NE(text.find("\nq" + std::string(16, ' ') + "101 acgtnnnn"), std::string::npos) << text;
    EXPECT_NE(text.find("\nq" + std::string(16, ' ') + "301 gg-c 303\n"), std::string::npos) << text;
    // Each anchor counted on its own: the run's 19 extra positions stand
    // against gaps.
    EXPECT_EQ(headerValues(views[0], "Identity"), (std::vector<std::string>{"8/28 (28.6%)", "3/4 (75.0%)"}));
    EXPECT_EQ(headerValues(views[0], "Anchor"),
              (std::vector<std::string>{"1 of 2 listed, 1: 101-128, 2: 201-209", "2 of 2 listed, 1: 301-303, 2: 351-354"}));
}

// A stretch of identical columns, a stretch of a quarter identity, and again:
// two conserved stretches separated where the windows fall below 70%.
// The profile against a count of every column's window taken afresh, on
// random gapped rows, windows from one column to longer than the rows, and
// anywhere from one point to one per column.
TEST(IdentityProfile, SameAsEveryWindowCountedAfresh) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t n = 1 + rng() % 400;
        const std::string r1 = randomRow(rng, n, 0.1);
        std::string r2 = randomRow(rng, n, 0.1);
        // Long identical stretches, so that some windows pass the threshold.
        for (std::size_t c = rng() % n; c < n && rng() % 50 != 0; ++c) r2[c] = r1[c] == '-' ? 'a' : r1[c];
        ProfileSettings settings;
        settings.window = 1 + rng() % 150;
        settings.maxPoints = 1 + rng() % 500;
        settings.minLength = static_cast<long long>(rng() % 60);
        settings.minIdentity = 0.5 + 0.1 * static_cast<double>(rng() % 5);
        const IdentityProfile got = identityProfile(chars(r1), chars(r2), settings);

        const std::size_t w = std::min(settings.window, n);
        std::vector<double> identity(n);
        std::vector<long long> at1(n + 1, 0);
        for (std::size_t c = 0; c < n; ++c) {
            const std::size_t lo = std::min(c - std::min(c, w / 2), n - w);
            long long same = 0;
            for (std::size_t k = lo; k < lo + w; ++k) same += r1[k] != '-' && r2[k] != '-' && r1[k] == r2[k];
            identity[c] = static_cast<double>(same) / static_cast<double>(w);
            at1[c + 1] = at1[c] + (r1[c] != '-');
        }
        const std::size_t step = (n + settings.maxPoints - 1) / settings.maxPoints;
        ASSERT_EQ(got.points.size(), (n + step - 1) / step) << trial;
        for (std::size_t k = 0; k < got.points.size(); ++k) {
            EXPECT_EQ(got.points[k].position1, static_cast<double>(at1[k * step])) << trial;
            EXPECT_EQ(got.points[k].identity, identity[k * step]) << trial;
        }
        std::vector<std::pair<long long, long long>> conserved;
        for (std::size_t c = 0; c < n;) {
            if (identity[c] + 1e-12 < settings.minIdentity) {
                ++c;
                continue;
            }
            const std::size_t first = c;
            while (c < n && identity[c] + 1e-12 >= settings.minIdentity) ++c;
            if (at1[c] - at1[first] >= settings.minLength) conserved.emplace_back(at1[first], at1[c]);
        }
        EXPECT_EQ(got.conserved, conserved) << trial;
    }
}

TEST(IdentityProfile, ConservedStretchesFollowTheIdentity) {
    std::string r1, r2;
    for (int c = 0; c < 300; ++c) r1 += "acgt"[c % 4], r2 += "acgt"[c % 4];
    for (int c = 0; c < 300; ++c) r1 += "acgt"[c % 4], r2 += "acgt"[(c % 4 + (c % 4 != 0)) % 4];
    for (int c = 0; c < 300; ++c) r1 += "acgt"[c % 4], r2 += "acgt"[c % 4];
    const IdentityProfile p = identityProfile(chars(r1), chars(r2));
    ASSERT_EQ(p.conserved.size(), 2u);
    // A window keeps 70% while at most 40 of its 100 columns lie in the weak
    // stretch: its middle column is then at most 10 before the stretch.
    EXPECT_NEAR(static_cast<double>(p.conserved[0].second), 290, 3);
    EXPECT_NEAR(static_cast<double>(p.conserved[1].first), 610, 3);
    EXPECT_EQ(p.conserved[1].second, 900);
    EXPECT_LE(p.points.size(), 1000u);

    // Shorter than a window: one window over everything; too short to be conserved.
    const IdentityProfile shortOne = identityProfile(chars("acgtacgt"), chars("acgtacgt"));
    EXPECT_EQ(shortOne.window, 8u);
    EXPECT_TRUE(shortOne.conserved.empty());
    // Gaps in sequence 1 take no positions of it.
    const IdentityProfile gapped = identityProfile(chars(std::string(150, 'a') + std::string(100, '-')),
                                                   chars(std::string(250, 'a')));
    ASSERT_FALSE(gapped.conserved.empty());
    EXPECT_LE(gapped.conserved.back().second, 150);
}

// The parts of a picture, found by class, as Python's XML parser reads it.
struct SvgParts {
    int anchors = 0, listed = 0, rest = 0, paths = 0, masks = 0, identity = 0, legend = 0, axis = 0, dotplot = 0;
    std::vector<int> anchorPoints;
};

SvgParts parts(const std::string& svg) {
    SvgParts p;
    for (std::size_t at = svg.find(" class=\""); at != std::string::npos; at = svg.find(" class=\"", at + 1)) {
        const std::size_t from = at + 8;
        const std::string cls = svg.substr(from, svg.find('"', from) - from);
        const std::string element = svg.substr(at, svg.find('>', at) - at);
        if (cls == "anchor" || cls == "anchor listed") {
            ++p.anchors;
            p.listed += cls == "anchor listed";
            const std::size_t points = element.find("points=\"");
            const std::string list = points == std::string::npos ? "" : element.substr(points);
            p.anchorPoints.push_back(static_cast<int>(std::count(list.begin(), list.end(), ',')));
        }
        p.rest += cls == "anchor-rest", p.paths += cls == "path", p.masks += cls == "mask";
        p.identity += cls == "identity", p.legend += cls == "legend", p.axis += cls == "axis";
        p.dotplot += cls == "dotplot";
    }
    return p;
}

// The system's interpreter when there is one: a version manager's shim in
// front of it costs seconds a start.
bool parsesAsXml(const std::string& svg) {
    const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    if (std::system((python + " -c '' 2>/dev/null").c_str()) != 0) return true;
    FILE* parser = ::popen((python + " -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.stdin)'").c_str(), "w");
    if (parser == nullptr) return false;
    std::fwrite(svg.data(), 1, svg.size(), parser);
    return ::pclose(parser) == 0;
}

PairAlignment pictured(int anchors, int columns = 5000) {
    std::string r1, r2;
    for (int c = 0; c < columns; ++c) {
        r1 += c % 97 == 0 ? '-' : "acgt"[c % 4];
        // Periodic rows share words along every fourth diagonal: the dot plot
        // at its most crowded.
        r2 += c % 89 == 0 ? '-' : "acgt"[(c / 3) % 4 == 0 ? 0 : c % 4];
    }
    PairAlignment p = globalPair(r1, r2);
    p.name1 = "a<b>&\"c'\x01\xff\xc3\xa9 more";
    p.maskRuns1 = {{10, 40}, {41, 60}}, p.maskRuns2 = {{300, 900}};
    for (int k = 0; k < anchors; ++k) {
        AnchorRecord a;
        a.row1 = chars("acgt-acgt"), a.row2 = chars("ac-tgacgt");
        a.begin1 = k, a.end1 = k + 8, a.begin2 = k, a.end2 = k + 8, a.score = k, a.listed = true, a.used = true;
        p.anchors.push_back(a);
    }
    AnchorRecord unlisted;
    p.anchors.push_back(unlisted);  // neither used nor listed, so not drawn
    return p;
}

TEST(SvgWriter, ClassedPartsAndOneElementPerListedAnchor) {
    struct Case {
        int anchors, columns;
        bool localOnly;
        int drawn, rest;
    };
    for (const Case& c : std::vector<Case>{{1, 1000, false, 1, 0},
                                           {3, 5000, true, 3, 0},
                                           {3100, 5000, false, 3000, 1},
                                           {40, 1'000'000, false, 40, 0}}) {
        PairAlignment p = pictured(c.anchors, c.columns);
        if (c.localOnly) {
            p.localOnly = true, p.row1.clear(), p.row2.clear();
            for (AnchorRecord& a : p.anchors) a.used = false;
        }
        const std::string svg = svgText(p);
        const SvgParts got = parts(svg);
        EXPECT_EQ(got.anchors, c.drawn) << c.anchors;
        // Without an alignment (-L) no anchor is used: each is drawn as listed.
        EXPECT_EQ(got.listed, c.localOnly ? c.drawn : 0) << c.anchors;
        EXPECT_EQ(got.rest, c.rest) << c.anchors;
        EXPECT_EQ(got.paths, c.localOnly ? 0 : 1);
        EXPECT_EQ(got.identity, c.localOnly ? 0 : 1);
        // The megabase rows share no word of the 17 letters chosen for them.
        EXPECT_EQ(got.dotplot, c.localOnly || c.columns > 5000 ? 0 : 1) << c.anchors;
        EXPECT_EQ(std::tuple(got.masks, got.legend, got.axis), std::tuple(1, 1, 1));
        // Each anchor turns twice around each gap: six corners.
        for (int points : got.anchorPoints) EXPECT_EQ(points, 6);
        EXPECT_EQ(svg.find("1 anchors"), std::string::npos);
        EXPECT_NE(svg.find(c.anchors == 1 ? "1 anchor" : " anchors"), std::string::npos);
        // Thousands of anchors or a megabase path still make a small file.
        EXPECT_LT(svg.size(), 800'000u) << c.anchors;
        EXPECT_TRUE(parsesAsXml(svg)) << svg.substr(0, 3000);
    }
}

// Every caption line fits the picture at the caption's font size, even
// with long names; titles name both sequences.
TEST(SvgWriter, CaptionsFitAndAxesAreTitled) {
    PairAlignment p = pictured(2);
    p.name1 = std::string(200, 'x'), p.name2 = "HBB_HUMAN beta globin";
    const std::string svg = svgText(p);
    const double width = std::stod(svg.substr(svg.find("width=\"") + 7));
    int lines = 0;
    const std::string start = "<text x=\"10\" y=\"";
    for (auto at = svg.find(start); at != std::string::npos; at = svg.find(start, at + 1)) {
        ++lines;
        const std::size_t from = svg.find('>', at) + 1;
        const std::string caption = svg.substr(from, svg.find('<', from) - from);
        // An average character of an 11-pixel sans-serif font is under 7 pixels wide.
        EXPECT_LT(10 + 7.0 * static_cast<double>(caption.size()), width) << caption;
    }
    EXPECT_GE(lines, 4);
    EXPECT_NE(svg.find("sequence 2: HBB_HUMAN, length"), std::string::npos);
    EXPECT_NE(svg.find("sequence 1: xxxxxxxx"), std::string::npos);
}

// One row, one section and, below the limit, one small picture per pair,
// whether a pair's part was made ahead or on adding it.
TEST(HtmlReport, RowsSectionsAndThumbnailsPerPair) {
    for (const std::size_t pairs : {std::size_t{2}, HtmlReport::kThumbnailLimit + 1}) {
        testing::TempDir();
        const std::string path = testing::TempDir() + "report_test.html";
        HtmlReport report(path);
        std::string reason;
        ASSERT_TRUE(report.open(reason)) << reason;
        for (std::size_t k = 1; k <= pairs; ++k) {
            PairAlignment p = pictured(2);
            p.name2 = "pair<" + std::to_string(k) + ">";
            const std::string text = "view of pair " + std::to_string(k) + " <&>\n";
            // Entries made ahead, as the workers make them, some without the
            // small picture the page still wants.
            if (k % 2 == 0) {
                report.add(p, HtmlReport::entry(p, k, text, svgText(p, SvgOptions{false}),
                                                pairFigures(p, kTransitions), k % 4 == 0));
            } else {
                report.add(p, k, text, svgText(p, SvgOptions{false}), pairFigures(p, kTransitions));
            }
        }
        report.finish({"torva -I 'a b.fa'", "torva 1.0", "today", "BLOSUM62", {}});
        EXPECT_FALSE(report.failed());
        std::ifstream in(path);
        const std::string html((std::istreambuf_iterator<char>(in)), {});
        auto count = [&](const std::string& what) {
            std::size_t n = 0;
            for (auto at = html.find(what); at != std::string::npos; at = html.find(what, at + 1)) ++n;
            return n;
        };
        EXPECT_EQ(count("<tr class=\"pair\""), pairs);
        EXPECT_EQ(count("<section class=\"detail\""), pairs);
        EXPECT_EQ(count("<svg class=\"thumb\""), pairs > HtmlReport::kThumbnailLimit ? 0 : pairs);
        EXPECT_EQ(count("<td class=\"name\">pair&lt;2&gt;</td>"), 1u);
        EXPECT_EQ(count("view of pair 2 &lt;&amp;&gt;"), 1u);
        EXPECT_EQ(count("torva -I &apos;a b.fa&apos;"), 1u);
        // Self-contained: nothing fetched from elsewhere.
        EXPECT_EQ(count("src="), 0u);
        EXPECT_EQ(count("href=\"http"), 0u);
        std::remove(path.c_str());
    }
}

// A report that cannot be created says so before the run starts.
TEST(HtmlReport, OpenFailsOnAMissingFolder) {
    HtmlReport report("/nonexistent-folder/report.html");
    std::string reason;
    EXPECT_FALSE(report.open(reason));
    EXPECT_FALSE(reason.empty());
}

}  // namespace

namespace {

// Every cell where a word of seq1 equals one of seq2 (or, on DNA, the reverse
// complement of one), found by comparing every pair of positions.
std::vector<std::uint8_t> plainWordMatches(const std::string& s1, const std::string& s2, bool protein, int k,
                                           std::size_t columns, std::size_t rows) {
    const std::string alphabet = protein ? "acdefghiklmnpqrstvwy" : "acgt";
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    auto inAlphabet = [&](char c) { return alphabet.find(lower(c)) != std::string::npos; };
    auto complement = [](char c) { return std::string("tgca")[std::string("acgt").find(c)]; };
    auto cell = [&](std::size_t p, std::size_t n, std::size_t cells) {
        return std::min(cells - 1, std::min(p + static_cast<std::size_t>(k) / 2, n - 1) * cells / n);
    };
    std::vector<std::uint8_t> cells(columns * rows, 0);
    const std::size_t w = static_cast<std::size_t>(k);
    for (std::size_t i = 0; i + w <= s1.size(); ++i)
        for (std::size_t j = 0; j + w <= s2.size(); ++j) {
            bool same = true, opposite = !protein;
            for (std::size_t c = 0; c < w; ++c) {
                const char a = lower(s1[i + c]), b = lower(s2[j + c]), rb = lower(s2[j + w - 1 - c]);
                if (!inAlphabet(a) || !inAlphabet(b) || a != b) same = false;
                if (!inAlphabet(a) || !inAlphabet(rb) || (opposite && a != complement(rb))) opposite = false;
            }
            std::uint8_t& at = cells[cell(j, s2.size(), rows) * columns + cell(i, s1.size(), columns)];
            if (same) at |= WordMatchGrid::kSameStrand;
            if (opposite) at |= WordMatchGrid::kOppositeStrand;
        }
    return cells;
}

}  // namespace

// The dot plot's cells against a comparison of every pair of positions, on
// random DNA with inverted copies and letters outside the alphabet, and on
// random protein; case does not matter.
TEST(WordMatches, SameCellsAsEveryPairOfWordsCompared) {
    std::mt19937 rng(23);
    for (int trial = 0; trial < 200; ++trial) {
        const bool protein = trial % 3 == 0;
        const std::string letters = protein ? "acdefghiklmnpqrstvwyXB" : "acgtACGTnNr";
        auto random = [&](std::size_t n) {
            std::string s;
            for (std::size_t c = 0; c < n; ++c) s += letters[rng() % (trial % 2 ? 4 : letters.size())];
            return s;
        };
        std::string s1 = random(1 + rng() % 120), s2 = random(1 + rng() % 120);
        if (!protein && s1.size() > 20 && s2.size() > 20) {
            // An inverted copy of a stretch of s1 in s2.
            std::string piece = s1.substr(rng() % (s1.size() - 15), 15);
            std::reverse(piece.begin(), piece.end());
            for (char& c : piece) c = "tgcaTGCAnNr"[std::string("acgtACGTnNr").find(c)];
            s2.replace(rng() % (s2.size() - 15), 15, piece);
        }
        const int k = 2 + static_cast<int>(rng() % 6);
        const std::size_t columns = 1 + rng() % 40, rows = 1 + rng() % 40;
        const WordMatchGrid grid = wordMatches(s1, s2, protein, k, columns, rows, columns * rows);
        ASSERT_EQ(grid.columns * grid.rows, columns * rows);
        EXPECT_EQ(grid.cells, plainWordMatches(s1, s2, protein, k, columns, rows)) << s1 << " / " << s2 << " k " << k;
    }
}

// A repetitive pair marks nearly every cell; merged two by two, the plot stays
// under its limit and keeps each mark in the merged cell.
TEST(WordMatches, RepetitivePairsAreThinned) {
    const std::string a(3000, 'a');
    const WordMatchGrid full = wordMatches(a, a, false, 8, 300, 300, 300 * 300);
    EXPECT_EQ(full.marked(), 300u * 300u);
    const WordMatchGrid thin = wordMatches(a, a, false, 8, 300, 300, 5000);
    EXPECT_LE(thin.marked(), 5000u);
    EXPECT_EQ(thin.columns, 38u);  // 300 -> 150 -> 75 -> 38
    EXPECT_EQ(wordMatches("acgtacgt", "", false, 4, 10, 10, 100).marked(), 0u);
    EXPECT_EQ(wordMatches("acg", "acgtacgt", false, 4, 10, 10, 100).marked(), 0u);
}

TEST(WordMatches, WordSizeGrowsWithThePairAndTheAlphabetIsGuessed) {
    EXPECT_EQ(wordSizeFor(500, 500, false), 7);
    EXPECT_EQ(wordSizeFor(25000, 25000, false), 12);
    EXPECT_EQ(wordSizeFor(10, 10, false), 6);
    EXPECT_EQ(wordSizeFor(500, 500, true), 3);
    EXPECT_EQ(wordSizeFor(1ULL << 40, 1ULL << 40, false), 31);
    EXPECT_FALSE(looksLikeProtein("acgtnnACGU", "acgt"));
    EXPECT_TRUE(looksLikeProtein("MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMF", ""));
}

// The report says how the run aligned, counts used and listed anchors apart,
// and lists each pair's warnings in its own section, the reader's first.
TEST(HtmlReport, SettingsAnchorCountsAndWarningsPerPair) {
    const std::string path = testing::TempDir() + "report_settings_test.html";
    HtmlReport report(path);
    std::string reason;
    ASSERT_TRUE(report.open(reason)) << reason;
    PairAlignment p = pictured(2);
    p.anchors.back().listed = true;  // listed, not used
    p.messages = {errLine("warning: pair a and b looks like protein <x>")};
    report.add(p, 1, "view", svgText(p, SvgOptions{false}), pairFigures(p, kTransitions),
               {errLine("torva: warning: record 1 (a) has an empty sequence")});
    PairAlignment quiet = pictured(1);
    report.add(quiet, 2, "view", svgText(quiet, SvgOptions{false}), pairFigures(quiet, kTransitions));
    RequestedValues protein;
    protein.protein = true;
    const RunDescription run{"torva -I x", "torva 1.0", "today", "/usr/share/torva/BLOSUM62",
                             resolveAlignParameters(protein, 24, GappedAnchorRealign::kWindows)};
    report.finish(run);
    std::ifstream in(path);
    const std::string html((std::istreambuf_iterator<char>(in)), {});
    std::remove(path.c_str());
    EXPECT_NE(html.find("Matrix: BLOSUM62 &#183; Gap penalty: 15 &#183; Extend penalty: 2"), std::string::npos);
    // Anchors used, then listed: 2 and 3 for the first pair, 1 and 1 for the second.
    EXPECT_NE(html.find("<td data-v=\"2\">2</td><td data-v=\"3\">3</td>"), std::string::npos);
    EXPECT_NE(html.find("<td data-v=\"1\">1</td><td data-v=\"1\">1</td>"), std::string::npos);
    EXPECT_NE(html.find("<ul class=\"warnings\"><li>torva: warning: record 1 (a) has an empty sequence</li>"
                        "<li>warning: pair a and b looks like protein &lt;x&gt;</li></ul>"),
              std::string::npos);
    std::size_t lists = 0;
    for (auto at = html.find("<ul class=\"warnings\">"); at != std::string::npos; at = html.find("<ul class=\"warnings\">", at + 1)) ++lists;
    EXPECT_EQ(lists, 1u);
}
