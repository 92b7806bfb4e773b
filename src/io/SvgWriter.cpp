#include "io/SvgWriter.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ostream>
#include <string_view>

#include "align/Cigar.hpp"

namespace {

constexpr double kPlotSide = 600;  // the longer sequence's axis, in pixels
constexpr double kMinSide = 60;    // keeps a very short sequence's axis visible
constexpr double kLeft = 80, kTop = 40, kRight = 30, kCaption = 60;
constexpr std::size_t kMaxPathPoints = 2000;

std::string num(double v) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2).ptr;
    return std::string(buf, end);
}

// Length of the valid UTF-8 sequence starting at s[i], or 0.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

// Names are arbitrary bytes; what XML forbids (markup characters unescaped,
// control characters, broken UTF-8) would make the whole file unreadable, so
// it is escaped or shown as '?'.
std::string xmlText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '&':
                out += "&amp;";
                continue;
            case '<':
                out += "&lt;";
                continue;
            case '>':
                out += "&gt;";
                continue;
            case '"':
                out += "&quot;";
                continue;
            case '\'':
                out += "&apos;";
                continue;
            default:
                break;
        }
        if (c < 0x80) {
            out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        } else if (const std::size_t n = utf8Length(s, i)) {
            out.append(s.substr(i, n));
            i += n - 1;
        } else {
            out += '?';
        }
    }
    return out;
}

// A round tick spacing (1, 2 or 5 times a power of ten) giving at most about
// six ticks along an axis of `length` positions.
long long tickStep(long long length) {
    for (long long p = 1;; p *= 10)
        for (long long m : {1, 2, 5})
            if (p * m * 6 >= length) return p * m;
}

struct Frame {
    double sx, sy;  // pixels per position
    double w, h;    // plot area
    double x(double i) const { return kLeft + i * sx; }
    double y(double j) const { return kTop + j * sy; }
};

Frame frameFor(const PairAlignment& p) {
    const double len1 = static_cast<double>(std::max<std::size_t>(p.length1, 1));
    const double len2 = static_cast<double>(std::max<std::size_t>(p.length2, 1));
    const double scale = kPlotSide / std::max(len1, len2);
    const double w = std::max(len1 * scale, kMinSide);
    const double h = std::max(len2 * scale, kMinSide);
    return {w / len1, h / len2, w, h};
}

void writeAxes(std::ostream& out, const PairAlignment& p, const Frame& f) {
    out << "<rect x=\"" << num(kLeft) << "\" y=\"" << num(kTop) << "\" width=\"" << num(f.w)
        << "\" height=\"" << num(f.h) << "\" fill=\"none\" stroke=\"#000\"/>\n";
    out << "<g font-family=\"sans-serif\" font-size=\"10\" stroke=\"#000\">\n";
    const auto len1 = static_cast<long long>(p.length1);
    const auto len2 = static_cast<long long>(p.length2);
    for (long long t = 0, step = tickStep(len1); t <= len1; t += step) {
        const std::string x = num(f.x(static_cast<double>(t)));
        out << "<line x1=\"" << x << "\" y1=\"" << num(kTop) << "\" x2=\"" << x << "\" y2=\""
            << num(kTop - 5) << "\"/><text x=\"" << x << "\" y=\"" << num(kTop - 8)
            << "\" text-anchor=\"middle\" stroke=\"none\">" << t << "</text>\n";
    }
    for (long long t = 0, step = tickStep(len2); t <= len2; t += step) {
        const std::string y = num(f.y(static_cast<double>(t)));
        out << "<line x1=\"" << num(kLeft) << "\" y1=\"" << y << "\" x2=\"" << num(kLeft - 5)
            << "\" y2=\"" << y << "\"/><text x=\"" << num(kLeft - 8) << "\" y=\"" << y
            << "\" dy=\"3\" text-anchor=\"end\" stroke=\"none\">" << t << "</text>\n";
    }
    out << "</g>\n";
}

void writeAnchors(std::ostream& out, const PairAlignment& p, const Frame& f) {
    if (p.anchors.empty()) return;
    const auto [lo, hi] = std::minmax_element(
        p.anchors.begin(), p.anchors.end(),
        [](const AnchorRecord& a, const AnchorRecord& b) { return a.score < b.score; });
    const double range = static_cast<double>(hi->score) - static_cast<double>(lo->score);
    out << "<g stroke-width=\"2\" stroke-linecap=\"round\">\n";
    for (const AnchorRecord& a : p.anchors) {
        const double t = range > 0 ? (a.score - static_cast<double>(lo->score)) / range : 1.0;
        const int grey = static_cast<int>(190 * (1 - t) + 0.5);
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", grey, grey, grey);
        out << "<line x1=\"" << num(f.x(static_cast<double>(a.begin1))) << "\" y1=\""
            << num(f.y(static_cast<double>(a.begin2))) << "\" x2=\""
            << num(f.x(static_cast<double>(a.end1))) << "\" y2=\""
            << num(f.y(static_cast<double>(a.end2))) << "\" stroke=\"" << colour << "\"/>\n";
    }
    out << "</g>\n";
}

// One point after every `step` columns keeps the file small for long pairs;
// at a few thousand points the path is already finer than the picture.
void writePath(std::ostream& out, const PairAlignment& p, const Frame& f) {
    const std::size_t n = std::min(p.row1.size(), p.row2.size());
    if (n == 0) return;
    const std::size_t step = (n + kMaxPathPoints - 1) / kMaxPathPoints;
    out << "<polyline fill=\"none\" stroke=\"#c0392b\" stroke-width=\"0.8\" points=\""
        << num(f.x(0)) << ',' << num(f.y(0));
    long long i = 0, j = 0;
    for (std::size_t c = 0; c < n; ++c) {
        i += p.row1[c] != '-';
        j += p.row2[c] != '-';
        if ((c + 1) % step == 0 || c + 1 == n)
            out << ' ' << num(f.x(static_cast<double>(i))) << ','
                << num(f.y(static_cast<double>(j)));
    }
    out << "\"/>\n";
}

struct Identity {
    long long same = 0, paired = 0;
    void add(const std::vector<char>& r1, const std::vector<char>& r2) {
        for (std::size_t c = 0; c < std::min(r1.size(), r2.size()); ++c) {
            if (r1[c] == '-' || r2[c] == '-') continue;
            ++paired;
            same += sameResidue(r1[c], r2[c]);
        }
    }
    std::string text() const {
        char buf[96];
        std::snprintf(
            buf, sizeof buf, "identity %.1f%% (%lld of %lld columns)",
            paired > 0 ? 100.0 * static_cast<double>(same) / static_cast<double>(paired) : 0.0,
            same, paired);
        return buf;
    }
};

void writeCaption(std::ostream& out, const PairAlignment& p, const Frame& f) {
    Identity id;
    std::string line2;
    if (p.localOnly) {
        for (const AnchorRecord& a : p.anchors) id.add(a.row1, a.row2);
        line2 = "anchors only: " + std::to_string(p.anchors.size()) + " anchors, anchor score " +
                std::to_string(p.anchorScore) + ", over the anchors " + id.text();
    } else {
        id.add(p.row1, p.row2);
        line2 = "score " + std::to_string(p.score) + ", anchor score " +
                std::to_string(p.anchorScore) + ", " + id.text();
    }
    const double y = kTop + f.h + 25;
    // Names as PAF gives them, the first word, so that the caption fits
    // beside the plot; the whole names are in the picture's title.
    auto shortName = [](const std::string& name) {
        const std::string word = name.substr(0, name.find_first_of(" \t"));
        return word.size() > 40 ? word.substr(0, 40) : word;
    };
    out << "<g font-family=\"sans-serif\" font-size=\"12\">\n<text x=\"" << num(kLeft) << "\" y=\""
        << num(y) << "\">" << xmlText(shortName(p.name1)) << " (" << p.length1 << ") vs "
        << xmlText(shortName(p.name2))
        << " (" << p.length2 << ")</text>\n<text x=\"" << num(kLeft) << "\" y=\"" << num(y + 18)
        << "\">" << xmlText(line2) << "</text>\n</g>\n";
}

}  // namespace

void writeSvg(std::ostream& out, const PairAlignment& pair) {
    const Frame f = frameFor(pair);
    const double width = kLeft + f.w + kRight;
    const double height = kTop + f.h + kCaption;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << num(width)
        << "\" height=\"" << num(height) << "\" viewBox=\"0 0 " << num(width) << ' ' << num(height)
        << "\">\n"
        << "<title>" << xmlText(pair.name1) << " vs " << xmlText(pair.name2) << "</title>\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    writeAxes(out, pair, f);
    writeAnchors(out, pair, f);
    if (!pair.localOnly) writePath(out, pair, f);
    writeCaption(out, pair, f);
    out << "</svg>\n";
}

std::string svgFileName(std::size_t pairNumber, const std::string& name1,
                        const std::string& name2) {
    auto safe = [](const std::string& name) {
        std::string s = name.substr(0, 80);
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
