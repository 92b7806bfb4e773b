#include "output/SvgWriter.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string_view>

#include "output/AlignmentTally.hpp"
#include "output/IdentityProfile.hpp"
#include "output/MarkupText.hpp"
#include "output/PairLabels.hpp"
#include "output/TextFormat.hpp"
#include "output/WordMatches.hpp"
#include "pair/ReverseComplement.hpp"

namespace {

constexpr double kPlotSide = 600;    // the longer sequence's axis, in pixels
constexpr double kMinSide = 80;      // keeps a very short sequence's axis readable
constexpr double kLeft = 100, kTop = 64;
constexpr double kLegendGap = 30, kLegendWidth = 250;
constexpr double kProfileGap = 36, kProfileHeight = 100;
constexpr double kMinWidth = 760;
constexpr double kLineHeight = 16;
constexpr double kCharWidth = 7;     // of the 11-pixel caption font, generously
constexpr std::size_t kAnchorPointBudget = 40000;
constexpr const char* kPathColour = "#d62728";
constexpr const char* kDotColour = "#c4c4c4";
constexpr double kDotCell = 2;              // pixels per dot-plot cell, before thinning
constexpr double kDotMargin = 1;            // pixels a dot reaches beyond its cell
constexpr std::size_t kMaxDotCells = 6000;  // marked cells drawn at most

std::string num(double v) {
    char buf[32];
    char* end = toFixedOne(buf, buf + sizeof buf, v);
    return std::string(buf, end);
}

std::string plural(long long n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

std::string percent(long long part, long long whole) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%",
                  whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
    return buf;
}

// A round tick spacing (1, 2 or 5 times a power of ten) giving at most about
// six ticks along an axis of `length` positions.
long long tickStep(long long length) {
    for (long long p = 1;; p *= 10)
        for (long long m : {1, 2, 5})
            if (p * m * 6 >= length) return p * m;
}

// Light blue for no identity to dark navy for all columns identical.
std::string identityColour(double t) {
    static constexpr int kStops[3][3] = {{0x9e, 0xca, 0xe1}, {0x31, 0x82, 0xbd}, {0x08, 0x1d, 0x58}};
    t = std::clamp(t, 0.0, 1.0) * 2;
    const int k = std::min(static_cast<int>(t), 1);
    const double f = t - k;
    char colour[8];
    int rgb[3];
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<int>(kStops[k][c] + f * (kStops[k + 1][c] - kStops[k][c]) + 0.5);
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return colour;
}

// Splits a caption into lines of at most `chars` characters at blanks.
std::vector<std::string> wrapped(const std::string& text, std::size_t chars) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = text.find(' ', from);
        if (to == std::string::npos) to = text.size();
        std::string word = text.substr(from, to - from);
        if (word.size() > chars) word = word.substr(0, chars - 3) + "...";
        if (!line.empty() && line.size() + 1 + word.size() > chars) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        from = to + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

struct Layout {
    double sx, sy;         // pixels per position
    double w, h;           // plot area
    double profileTop;     // 0 when there is no profile panel
    double captionTop;
    double width, height;
    // A pair kept on the minus strand: sequence 2's length. Its rows are the
    // reverse complement, so a position j of them lies at length2 - j on the
    // forward strand the axis counts: the path runs across the diagonal.
    double minus2 = 0;
    double x(double i) const { return kLeft + i * sx; }
    double y(double j) const { return kTop + (minus2 > 0 ? minus2 - j : j) * sy; }
    // A position on sequence 2's forward strand, as the axis labels it.
    double forwardY(double j) const { return kTop + j * sy; }
};

struct Drawing {
    const PairAlignment& pair;
    std::vector<const AnchorRecord*> anchors;  // those used or listed
    IdentityProfile profile;
    std::vector<std::string> captions;
    Layout at{};
    WordMatchGrid dots;  // empty without a global alignment (its rows give the sequences)
};

long long countUsed(const std::vector<const AnchorRecord*>& anchors) {
    return std::count_if(anchors.begin(), anchors.end(), [](const AnchorRecord* a) { return a->used; });
}

// The dot plot of the pair's sequences, from the global rows.
WordMatchGrid dotsFor(const PairAlignment& p, const Layout& f) {
    if (p.localOnly) return {};
    std::string seq1, seq2;
    seq1.reserve(p.length1);
    seq2.reserve(p.length2);
    for (char c : p.row1)
        if (c != '-') seq1 += c;
    for (char c : p.row2)
        if (c != '-') seq2 += c;
    // The dots are drawn on the forward strands, as the axes count them.
    if (p.minusStrand) seq2 = reverseComplement(seq2);
    const bool protein = looksLikeProtein(seq1, seq2);
    return wordMatches(seq1, seq2, protein, wordSizeFor(seq1.size(), seq2.size(), protein),
                       static_cast<std::size_t>(std::ceil(f.w / kDotCell)),
                       static_cast<std::size_t>(std::ceil(f.h / kDotCell)), kMaxDotCells);
}

// Each strand's marked cells as one path, a row's neighbouring cells as one
// rectangle. Each reaches a pixel beyond its cell on every side, so that
// the matches along an anchor show beside its stroke, and a stretch of an
// anchor without any stands out.
void writeDots(TextBuffer& out, const Drawing& d) {
    const WordMatchGrid& g = d.dots;
    if (g.cells.empty() || g.marked() == 0) return;
    const Layout& f = d.at;
    const double cw = f.w / static_cast<double>(g.columns), ch = f.h / static_cast<double>(g.rows);
    out << "<g class=\"dotplot\" fill=\"" << kDotColour << "\">\n";
    for (const std::uint8_t bit : {WordMatchGrid::kSameStrand, WordMatchGrid::kOppositeStrand}) {
        std::string path;
        for (std::size_t r = 0; r < g.rows; ++r)
            for (std::size_t c = 0; c < g.columns; ++c) {
                if (!(g.at(c, r) & bit)) continue;
                std::size_t end = c + 1;
                while (end < g.columns && (g.at(end, r) & bit)) ++end;
                const double width = static_cast<double>(end - c) * cw + 2 * kDotMargin;
                path += 'M' + num(kLeft + static_cast<double>(c) * cw - kDotMargin) + ' ' +
                        num(kTop + static_cast<double>(r) * ch - kDotMargin) + 'h' + num(width) + 'v' +
                        num(ch + 2 * kDotMargin) + 'h' + num(-width) + 'z';
                c = end;
            }
        if (path.empty()) continue;
        out << "<path d=\"" << path << "\"><title>words of " << g.wordSize << " letters alike"
            << (bit == WordMatchGrid::kSameStrand ? (g.bothStrands ? ", same strand" : "")
                                                   : ", opposite strands (reverse complement)")
            << "</title></path>\n";
    }
    out << "</g>\n";
}

void writeAxes(TextBuffer& out, const Drawing& d) {
    const PairAlignment& p = d.pair;
    const Layout& f = d.at;
    out << "<g class=\"axis\" font-family=\"sans-serif\" font-size=\"10\" stroke=\"#000\">\n"
        << "<rect x=\"" << num(kLeft) << "\" y=\"" << num(kTop) << "\" width=\"" << num(f.w)
        << "\" height=\"" << num(f.h) << "\" fill=\"none\"/>\n";
    const auto len1 = static_cast<long long>(p.length1);
    const auto len2 = static_cast<long long>(p.length2);
    for (long long t = 0, step = tickStep(len1); t <= len1; t += step) {
        const std::string x = num(f.x(static_cast<double>(t)));
        out << "<line x1=\"" << x << "\" y1=\"" << num(kTop) << "\" x2=\"" << x << "\" y2=\""
            << num(kTop - 5) << "\"/><text x=\"" << x << "\" y=\"" << num(kTop - 8)
            << "\" text-anchor=\"middle\" stroke=\"none\">" << t << "</text>\n";
    }
    for (long long t = 0, step = tickStep(len2); t <= len2; t += step) {
        const std::string y = num(f.forwardY(static_cast<double>(t)));
        out << "<line x1=\"" << num(kLeft) << "\" y1=\"" << y << "\" x2=\"" << num(kLeft - 5)
            << "\" y2=\"" << y << "\"/><text x=\"" << num(kLeft - 8) << "\" y=\"" << y
            << "\" dy=\"3\" text-anchor=\"end\" stroke=\"none\">" << t << "</text>\n";
    }
    const std::string title1 = "sequence 1: " + shortName(p.name1, 40) + ", length " + std::to_string(p.length1);
    const std::string title2 = "sequence 2: " + shortName(p.name2, 40) + (p.minusStrand ? " (-)" : "") + ", length " + std::to_string(p.length2);
    out << "<text x=\"" << num(kLeft + f.w / 2) << "\" y=\"" << num(kTop - 30)
        << "\" text-anchor=\"middle\" font-size=\"12\" font-weight=\"bold\" stroke=\"none\">"
        << xmlText(title1) << "</text>\n";
    const double cy = kTop + f.h / 2;
    out << "<text x=\"" << num(kLeft - 62) << "\" y=\"" << num(cy) << "\" transform=\"rotate(-90 "
        << num(kLeft - 62) << ' ' << num(cy)
        << ")\" text-anchor=\"middle\" font-size=\"12\" font-weight=\"bold\" stroke=\"none\">"
        << xmlText(title2) << "</text>\n</g>\n";
}

// Runs closer than a pixel are drawn as one band.
std::vector<std::pair<double, double>> bands(const std::vector<std::pair<long long, long long>>& runs,
                                             double scale) {
    std::vector<std::pair<double, double>> out;
    for (const auto& [b, e] : runs) {
        const double lo = static_cast<double>(b) * scale;
        const double hi = std::max(static_cast<double>(e) * scale, lo + 1);
        if (!out.empty() && lo <= out.back().second + 1)
            out.back().second = std::max(out.back().second, hi);
        else
            out.emplace_back(lo, hi);
    }
    return out;
}

void writeMasks(TextBuffer& out, const Drawing& d) {
    const Layout& f = d.at;
    if (d.pair.maskRuns1.empty() && d.pair.maskRuns2.empty()) return;
    out << "<g class=\"mask\" fill=\"#9e9e9e\" fill-opacity=\"0.35\">\n";
    for (const auto& [lo, hi] : bands(d.pair.maskRuns1, f.sx))
        out << "<rect x=\"" << num(kLeft + lo) << "\" y=\"" << num(kTop) << "\" width=\""
            << num(hi - lo) << "\" height=\"" << num(f.h) << "\"/>\n";
    for (const auto& [lo, hi] : bands(d.pair.maskRuns2, f.sy))
        out << "<rect x=\"" << num(kLeft) << "\" y=\"" << num(kTop + lo) << "\" width=\""
            << num(f.w) << "\" height=\"" << num(hi - lo) << "\"/>\n";
    out << "</g>\n";
}

// The path through its corners (where it turns between diagonal, across and
// down), leaving out any corner within a pixel of the last point drawn: the
// shape is kept to the pixel, and a long or gappy pair still needs no more
// points than the picture has pixels along its sides.
void writePath(TextBuffer& out, const Drawing& d) {
    const PairAlignment& p = d.pair;
    const Layout& f = d.at;
    const std::size_t n = std::min(p.row1.size(), p.row2.size());
    if (n == 0) return;
    out << "<polyline class=\"path\" fill=\"none\" stroke=\"" << kPathColour
        << "\" stroke-width=\"1\" points=\"" << num(f.x(0)) << ',' << num(f.y(0));
    double lastX = f.x(0), lastY = f.y(0);
    long long i = 0, j = 0;
    int kind = -1;
    auto point = [&](bool always) {
        const double x = f.x(static_cast<double>(i)), y = f.y(static_cast<double>(j));
        if (!always && std::abs(x - lastX) < 1 && std::abs(y - lastY) < 1) return;
        out << ' ' << num(x) << ',' << num(y);
        lastX = x, lastY = y;
    };
    for (std::size_t c = 0; c < n; ++c) {
        const int k = (p.row1[c] != '-') + 2 * (p.row2[c] != '-');
        if (k == 0) continue;
        if (k != kind && kind != -1) point(false);
        kind = k;
        i += p.row1[c] != '-';
        j += p.row2[c] != '-';
    }
    point(true);
    out << "\"/>\n";
}

// The corners of an anchor's path on the sequences as given (`r1`, `r2` its
// rows with mask runs expanded): a point wherever it turns between diagonal,
// across and down; at most `budget` (evenly thinned beyond), the ends always
// kept.
std::vector<std::pair<long long, long long>> anchorCorners(const AnchorRecord& a, const std::string& r1,
                                                           const std::string& r2, std::size_t budget) {
    std::vector<std::pair<long long, long long>> corners{{a.begin1, a.begin2}};
    long long i = a.begin1, j = a.begin2;
    int last = -1;
    for (std::size_t c = 0; c < r1.size(); ++c) {
        const int kind = (r1[c] != '-') + 2 * (r2[c] != '-');
        if (kind == 0) continue;
        if (kind != last && last != -1) corners.emplace_back(i, j);
        last = kind;
        i += r1[c] != '-';
        j += r2[c] != '-';
    }
    corners.emplace_back(i, j);
    if (corners.size() > budget && budget >= 2) {
        std::vector<std::pair<long long, long long>> thin;
        const double stride = static_cast<double>(corners.size() - 1) / static_cast<double>(budget - 1);
        for (std::size_t k = 0; k + 1 < budget; ++k)
            thin.push_back(corners[static_cast<std::size_t>(static_cast<double>(k) * stride)]);
        thin.push_back(corners.back());
        corners = std::move(thin);
    }
    return corners;
}

void writeAnchors(TextBuffer& out, const Drawing& d) {
    if (d.anchors.empty()) return;
    const Layout& f = d.at;
    // Weakest first, so that the best lie on top.
    std::vector<std::size_t> order(d.anchors.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return d.anchors[a]->score < d.anchors[b]->score; });
    const std::size_t rest = order.size() > kMaxAnchorsDrawn ? order.size() - kMaxAnchorsDrawn : 0;
    if (rest > 0) {
        out << "<path class=\"anchor-rest\" fill=\"none\" stroke=\"" << identityColour(0)
            << "\" stroke-width=\"1.5\" d=\"";
        for (std::size_t k = 0; k < rest; ++k) {
            const AnchorRecord& a = *d.anchors[order[k]];
            out << 'M' << num(f.x(static_cast<double>(a.begin1))) << ' ' << num(f.y(static_cast<double>(a.begin2)))
                << 'L' << num(f.x(static_cast<double>(a.end1))) << ' ' << num(f.y(static_cast<double>(a.end2)));
        }
        out << "\"/>\n";
    }
    const std::size_t drawn = order.size() - rest;
    const std::size_t budget = std::clamp<std::size_t>(kAnchorPointBudget / std::max<std::size_t>(drawn, 1), 16, 1000);
    // Shaded by identity, not by score: a long anchor through weak similarity
    // scores high. One the alignment was not built on is dashed and lighter.
    out << "<g fill=\"none\" stroke-width=\"2.5\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    for (std::size_t k = rest; k < order.size(); ++k) {
        const AnchorRecord& a = *d.anchors[order[k]];
        const auto [r1, r2] = expandedRows(a);
        AlignmentTally own;
        own.add(r1, r2, PositivePairs());
        const double identity = own.columns > 0 ? static_cast<double>(own.identical) / static_cast<double>(own.columns) : 0;
        out << (a.used ? "<polyline class=\"anchor\" stroke=\"" : "<polyline class=\"anchor listed\" stroke-dasharray=\"5 3\" stroke-opacity=\"0.7\" stroke=\"")
            << identityColour(identity) << "\" points=\"";
        const auto corners = anchorCorners(a, r1, r2, budget);
        for (std::size_t c = 0; c < corners.size(); ++c)
            out << (c ? " " : "") << num(f.x(static_cast<double>(corners[c].first))) << ','
                << num(f.y(static_cast<double>(corners[c].second)));
        out << "\"><title>anchor " << order[k] + 1 << (a.used ? "" : ", listed only, the alignment is not built on it")
            << ": score " << a.score << ", identity " << percent(own.identical, own.columns) << " ("
            << own.identical << '/' << own.columns << " columns); 1: " << a.begin1 + 1 << '-' << a.end1
            << ", 2: " << a.begin2 + 1 << '-' << a.end2 << "</title></polyline>\n";
    }
    out << "</g>\n";
}

void writeProfile(TextBuffer& out, const Drawing& d) {
    const Layout& f = d.at;
    if (f.profileTop <= 0) return;
    const IdentityProfile& prof = d.profile;
    const double top = f.profileTop, bottom = top + kProfileHeight;
    auto yOf = [&](double identity) { return bottom - identity * kProfileHeight; };
    out << "<g class=\"identity\" font-family=\"sans-serif\" font-size=\"10\">\n";
    for (const auto& [b, e] : prof.conserved)
        out << "<rect x=\"" << num(f.x(static_cast<double>(b))) << "\" y=\"" << num(top)
            << "\" width=\"" << num(std::max(1.0, static_cast<double>(e - b) * f.sx)) << "\" height=\""
            << num(kProfileHeight) << "\" fill=\"#2ca02c\" fill-opacity=\"0.2\"/>\n";
    out << "<rect x=\"" << num(kLeft) << "\" y=\"" << num(top) << "\" width=\"" << num(f.w)
        << "\" height=\"" << num(kProfileHeight) << "\" fill=\"none\" stroke=\"#000\"/>\n";
    for (int t : {0, 50, 100})
        out << "<text x=\"" << num(kLeft - 6) << "\" y=\"" << num(yOf(t / 100.0)) << "\" dy=\"3\" text-anchor=\"end\">"
            << t << "%</text>\n";
    out << "<line x1=\"" << num(kLeft) << "\" x2=\"" << num(kLeft + f.w) << "\" y1=\""
        << num(yOf(prof.minIdentity)) << "\" y2=\"" << num(yOf(prof.minIdentity))
        << "\" stroke=\"#2ca02c\" stroke-dasharray=\"4 3\"/>\n";
    if (!prof.points.empty()) {
        out << "<polyline fill=\"none\" stroke=\"#333\" stroke-width=\"1\" points=\"";
        for (std::size_t k = 0; k < prof.points.size(); ++k)
            out << (k ? " " : "") << num(f.x(prof.points[k].position1)) << ',' << num(yOf(prof.points[k].identity));
        out << "\"/>\n";
    }
    char title[200];
    std::snprintf(title, sizeof title,
                  "percent identity along sequence 1, %zu-column windows; green: at least %.0f%% over at least %lld positions",
                  prof.window, 100 * prof.minIdentity, prof.minLength);
    out << "<text x=\"" << num(kLeft) << "\" y=\"" << num(top - 6) << "\">" << xmlText(title) << "</text>\n</g>\n";
}

void writeLegend(TextBuffer& out, const Drawing& d) {
    const PairAlignment& p = d.pair;
    const double x = kLeft + d.at.w + kLegendGap;
    double y = kTop + 4;
    out << "<g class=\"legend\" font-family=\"sans-serif\" font-size=\"11\">\n"
        << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" font-weight=\"bold\">Legend</text>\n";
    y += 18;
    auto label = [&](double at, const std::string& text) {
        out << "<text x=\"" << num(x + 30) << "\" y=\"" << num(at + 4) << "\">" << xmlText(text) << "</text>\n";
    };
    if (p.localOnly) {
        label(y, "no global alignment (-L)");
    } else {
        out << "<line x1=\"" << num(x) << "\" x2=\"" << num(x + 24) << "\" y1=\"" << num(y) << "\" y2=\""
            << num(y) << "\" stroke=\"" << kPathColour << "\" stroke-width=\"1.5\"/>\n";
        label(y, "global alignment");
    }
    y += 20;
    const long long used = countUsed(d.anchors);
    const long long listedOnly = static_cast<long long>(d.anchors.size()) - used;
    label(y, d.anchors.empty() ? "no anchor" : "anchors, shaded by identity");
    out << "<line x1=\"" << num(x) << "\" x2=\"" << num(x + 24) << "\" y1=\"" << num(y + 6) << "\" y2=\""
        << num(y - 6) << "\" stroke=\"" << identityColour(1) << "\" stroke-width=\"2.5\"/>\n";
    y += 14;
    if (!d.anchors.empty()) {
        label(y, "(score in each one's tooltip):");
        y += 10;
        for (int k = 0; k < 10; ++k)
            out << "<rect x=\"" << num(x + 30 + k * 16) << "\" y=\"" << num(y) << "\" width=\"16\" height=\"10\" fill=\""
                << identityColour(k / 9.0) << "\"/>\n";
        out << "<text x=\"" << num(x + 30) << "\" y=\"" << num(y + 22) << "\">0%</text><text x=\"" << num(x + 190)
            << "\" y=\"" << num(y + 22) << "\" text-anchor=\"end\">100% identical</text>\n";
        y += 38;
        if (listedOnly > 0) {
            out << "<line x1=\"" << num(x) << "\" x2=\"" << num(x + 24) << "\" y1=\"" << num(y + 6) << "\" y2=\""
                << num(y - 6) << "\" stroke=\"" << identityColour(0.6) << "\" stroke-width=\"2.5\" stroke-dasharray=\"5 3\"/>\n";
            label(y, "dashed: only listed in .loc,");
            y += 14;
            label(y, p.localOnly ? "no alignment built (-L)" : "the alignment not built on it");
            y += 20;
        }
        if (d.anchors.size() > kMaxAnchorsDrawn) {
            label(y, "the " + std::to_string(d.anchors.size() - kMaxAnchorsDrawn) + " weakest as one");
            y += 16;
            label(y, "element of straight strokes");
            y += 16;
        }
    }
    y += 6;
    if (!d.dots.cells.empty()) {
        out << "<rect x=\"" << num(x) << "\" y=\"" << num(y - 6) << "\" width=\"24\" height=\"12\" fill=\"" << kDotColour << "\"/>\n";
        label(y, "words of " + std::to_string(d.dots.wordSize) + " letters alike" + (d.dots.bothStrands ? "," : ""));
        y += 14;
        if (d.dots.bothStrands) {
            label(y, "both strands (dot plot)");
            y += 14;
        }
        y += 6;
    }
    if (!p.maskRuns1.empty() || !p.maskRuns2.empty()) {
        out << "<rect x=\"" << num(x) << "\" y=\"" << num(y - 6) << "\" width=\"24\" height=\"12\" fill=\"#9e9e9e\" fill-opacity=\"0.35\"/>\n";
        label(y, "mask runs: " + std::to_string(p.maskRuns1.size()) + " on 1, " +
                     std::to_string(p.maskRuns2.size()) + " on 2");
        y += 20;
    }
    if (d.at.profileTop > 0) {
        out << "<rect x=\"" << num(x) << "\" y=\"" << num(y - 6) << "\" width=\"24\" height=\"12\" fill=\"#2ca02c\" fill-opacity=\"0.2\"/>\n";
        label(y, "conserved (identity panel)");
        y += 20;
    }
    out << "</g>\n";
}

std::vector<std::string> captionsFor(const PairAlignment& p, const std::vector<const AnchorRecord*>& anchors,
                                     const AlignmentTally& t, const IdentityProfile& profile) {
    const long long used = countUsed(anchors);
    const long long listedOnly = static_cast<long long>(anchors.size()) - used;
    std::vector<std::string> lines;
    lines.push_back(shortName(p.name1, 40) + " (length " + std::to_string(p.length1) + ") vs " +
                    shortName(p.name2, 40) + " (length " + std::to_string(p.length2) + ")");
    if (p.localOnly) {
        lines.push_back("anchors only (-L), no global alignment: " + plural(listedOnly, "listed anchor", "listed anchors") +
                        ", anchor score " + std::to_string(p.anchorScore));
        lines.push_back("identity over the anchors " + percent(t.identical, t.columns) + " (" +
                        std::to_string(t.identical) + " identical of " + plural(t.columns, "column", "columns") +
                        "); " + percent(t.identical, t.residuePairs) + " over the " +
                        plural(t.residuePairs, "aligned residue pair", "aligned residue pairs"));
        return lines;
    }
    std::string anchorLine = "score " + std::to_string(p.score) + ", anchor score " + std::to_string(p.anchorScore);
    anchorLine += used > 0 ? " from " + plural(used, "anchor", "anchors") + " the alignment is built on"
                           : ": no local score beat the cutoff, the alignment is built on no anchor";
    if (listedOnly > 0)
        anchorLine += "; " + plural(listedOnly, used > 0 ? "more anchor" : "anchor", used > 0 ? "more anchors" : "anchors") +
                      " only listed in the .loc file (dashed)";
    lines.push_back(anchorLine);
    lines.push_back("identity " + percent(t.identical, t.columns) + " (" + std::to_string(t.identical) +
                    " identical of all " + plural(t.columns, "alignment column", "alignment columns") +
                    ", gap columns included); " + percent(t.identical, t.residuePairs) + " over the " +
                    plural(t.residuePairs, "aligned residue pair", "aligned residue pairs"));
    lines.push_back("conserved: " + std::to_string(profile.conservedLength()) + " of " +
                    std::to_string(p.length1) + " positions of sequence 1. The PAF's block length counts the"
                    " columns from the first to the last residue pair only.");
    return lines;
}

}  // namespace

std::string svgText(const PairAlignment& pair, const SvgOptions& options) {
    TextBuffer out;
    // Identity counts need no scores: no pair counts as positive here.
    const PairFigures figures = options.figures ? PairFigures{} : pairFigures(pair, PositivePairs());
    const PairFigures& given = options.figures ? *options.figures : figures;
    Drawing d{pair, {}, given.profile, {}, {}, {}};
    for (const AnchorRecord& a : pair.anchors)
        if (a.used || a.listed) d.anchors.push_back(&a);

    Layout& f = d.at;
    const double len1 = static_cast<double>(std::max<std::size_t>(pair.length1, 1));
    const double len2 = static_cast<double>(std::max<std::size_t>(pair.length2, 1));
    const double scale = kPlotSide / std::max(len1, len2);
    f.w = std::max(len1 * scale, kMinSide);
    f.h = std::max(len2 * scale, kMinSide);
    f.sx = f.w / len1;
    f.sy = f.h / len2;
    if (pair.minusStrand) f.minus2 = static_cast<double>(pair.length2);
    f.width = std::max(kLeft + f.w + kLegendGap + kLegendWidth, kMinWidth);
    f.profileTop = pair.localOnly ? 0 : kTop + f.h + kProfileGap;
    d.dots = dotsFor(pair, f);
    f.captionTop = (pair.localOnly ? kTop + f.h : f.profileTop + kProfileHeight) + 28;
    const auto chars = static_cast<std::size_t>((f.width - 30) / kCharWidth);
    for (const std::string& caption : captionsFor(pair, d.anchors, given.tally, d.profile))
        for (std::string& line : wrapped(caption, chars)) d.captions.push_back(std::move(line));
    f.height = f.captionTop + static_cast<double>(d.captions.size()) * kLineHeight + 10;

    if (options.standalone) out << kXmlDeclaration;
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << num(f.width)
        << "\" height=\"" << num(f.height) << "\" viewBox=\"0 0 " << num(f.width) << ' ' << num(f.height)
        << "\">\n<title>" << xmlText(pair.name1) << " vs " << xmlText(pair.name2) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    writeMasks(out, d);
    writeDots(out, d);
    writeAxes(out, d);
    if (!pair.localOnly) writePath(out, d);
    writeAnchors(out, d);
    writeProfile(out, d);
    writeLegend(out, d);
    out << "<g class=\"caption\" font-family=\"sans-serif\" font-size=\"11\">\n";
    for (std::size_t k = 0; k < d.captions.size(); ++k)
        out << "<text x=\"10\" y=\"" << num(f.captionTop + static_cast<double>(k) * kLineHeight) << "\">"
            << xmlText(d.captions[k]) << "</text>\n";
    out << "</g>\n</svg>\n";
    return std::move(out.text);
}

std::string svgFileName(std::size_t pairNumber, const std::string& name1,
                        const std::string& name2) {
    auto safe = [](const std::string& name) {
        std::string s = name.substr(0, kMaxNameInFileName);
        for (char& c : s)
            // ASCII only: whatever the locale calls a letter, file names stay portable.
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '_' || c == '-'))
                c = '_';
        return s;
    };
    char number[32];
    std::snprintf(number, sizeof number, "%04zu", pairNumber);
    return std::string(number) + '_' + safe(name1) + "_vs_" + safe(name2) + ".svg";
}
