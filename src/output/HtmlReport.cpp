#include "output/HtmlReport.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "output/AlignmentTally.hpp"
#include "output/TextFormat.hpp"
#include "output/IdentityProfile.hpp"
#include "output/MarkupText.hpp"
#include "output/PairLabels.hpp"
#include "output/ReportAssets.hpp"

namespace {

std::string fixed1(double v) {
    char buf[32];
    return std::string(buf, toFixedOne(buf, buf + sizeof buf, v));
}

void appendFixed1(std::string& out, double v) {
    char buf[32];
    out.append(buf, toFixedOne(buf, buf + sizeof buf, v));
}

std::string numberCell(const std::string& value, const std::string& shown) {
    return "<td data-v=\"" + value + "\">" + shown + "</td>";
}

std::string numberCell(long long value) {
    const std::string v = std::to_string(value);
    return numberCell(v, v);
}

// The settings on one line, under the view's field names made readable.
std::string settingsText(const RunDescription& run) {
    std::string text;
    for (auto [field, value] : settingFields(run)) {
        for (char& c : field)
            if (c == '_') c = ' ';
        text += (text.empty() ? "" : " &#183; ") + xmlText(field) + ": " + xmlText(value);
    }
    return text;
}

}  // namespace

void appendHtmlText(std::string& out, std::string_view text) {
    // Views are long and nearly all plain: copy plain stretches whole.
    static constexpr auto kPlain = [] {
        std::array<bool, 256> plain{};
        for (int c = 0x20; c < 0x7F; ++c) plain[static_cast<std::size_t>(c)] = true;
        for (char c : {'&', '<', '>', '"', '\''}) plain[static_cast<unsigned char>(c)] = false;
        plain['\n'] = true;
        return plain;
    }();
    auto plain = [](char c) { return kPlain[static_cast<unsigned char>(c)]; };
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = from;
        while (to < text.size() && plain(text[to])) ++to;
        out.append(text, from, to - from);
        if (to == text.size()) break;
        std::size_t end = to;
        while (end < text.size() && !plain(text[end])) ++end;
        // A broken UTF-8 sequence can only be judged whole.
        out += xmlText(std::string(text.substr(to, end - to)));
        from = end;
    }
}

std::string thumbnailSvg(const PairAlignment& pair, double side) {
    const double len1 = static_cast<double>(std::max<std::size_t>(pair.length1, 1));
    const double len2 = static_cast<double>(std::max<std::size_t>(pair.length2, 1));
    const double scale = side / std::max(len1, len2);
    std::string svg;
    auto at = [&](long long i, long long j) {
        appendFixed1(svg, static_cast<double>(i) * scale);
        svg += ',';
        appendFixed1(svg, static_cast<double>(j) * scale);
    };
    svg += "<svg class=\"thumb\" xmlns=\"http://www.w3.org/2000/svg\" width=\"";
    appendFixed1(svg, std::max(len1 * scale, 4.0));
    svg += "\" height=\"";
    appendFixed1(svg, std::max(len2 * scale, 4.0));
    svg += "\"><rect width=\"100%\" height=\"100%\" fill=\"#fff\" stroke=\"#999\"/>";
    const std::size_t n = std::min(pair.row1.size(), pair.row2.size());
    if (n > 0) {
        constexpr std::size_t kPoints = 60;
        const std::size_t step = (n + kPoints - 1) / kPoints;
        svg += "<polyline fill=\"none\" stroke=\"#d62728\" points=\"0,0";
        long long i = 0, j = 0;
        std::size_t toPoint = step;  // columns left before the next point
        for (std::size_t c = 0; c < n; ++c) {
            i += pair.row1[c] != '-';
            j += pair.row2[c] != '-';
            if (--toPoint == 0 || c + 1 == n) {
                toPoint = step;
                svg += ' ';
                at(i, j);
            }
        }
        svg += "\"/>";
    }
    // The strongest anchors only: the picture is a few dozen pixels wide.
    // Those the alignment was not built on are light, as in the picture.
    for (const bool used : {false, true}) {
        std::vector<const AnchorRecord*> anchors;
        for (const AnchorRecord& a : pair.anchors)
            if (a.used == used && (a.used || a.listed)) anchors.push_back(&a);
        constexpr std::size_t kAnchors = 50;
        if (anchors.size() > kAnchors) {
            std::nth_element(anchors.begin(), anchors.begin() + kAnchors, anchors.end(),
                             [](const AnchorRecord* a, const AnchorRecord* b) { return a->score > b->score; });
            anchors.resize(kAnchors);
        }
        if (anchors.empty()) continue;
        svg += used ? "<path stroke=\"#08306b\" stroke-width=\"2\" d=\"" : "<path stroke=\"#9e9e9e\" stroke-width=\"2\" d=\"";
        for (const AnchorRecord* a : anchors) {
            svg += 'M';
            at(a->begin1, a->begin2);
            svg += 'L';
            at(a->end1, a->end2);
        }
        svg += "\"/>";
    }
    svg += "</svg>";
    return svg;
}

HtmlReport::HtmlReport(std::string path) : path_(std::move(path)) {}

HtmlReport::~HtmlReport() {
    if (sections_ != nullptr) std::fclose(sections_);
}

bool HtmlReport::open(std::string& reason) {
    errno = 0;
    page_.open(path_, std::ios::out | std::ios::trunc);
    if (!page_.is_open()) {
        reason = errno != 0 ? std::strerror(errno) : "";
        return false;
    }
    // The sections come after the table, which is complete only at the end.
    sections_ = std::tmpfile();
    if (sections_ == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

void HtmlReport::add(const PairAlignment& pair, std::size_t pairNumber, const std::string& view,
                     const std::string& picture, const PairFigures& figures, const Messages& readNotes) {
    add(pair, entry(pair, pairNumber, view, picture, figures, rows_.size() < kThumbnailLimit, readNotes));
}

ReportEntry HtmlReport::entry(const PairAlignment& pair, std::size_t pairNumber, const std::string& view,
                              const std::string& picture, const PairFigures& figures, bool thumbnail,
                              const Messages& readNotes) {
    const AlignmentTally& tally = figures.tally;
    const AnchorCounts anchors = anchorCounts(pair);
    const std::string n = std::to_string(pairNumber);
    const std::string name1 = xmlText(shortName(pair.name1, 60)), name2 = xmlText(shortName(pair.name2, 60));
    const double identity = tally.columns > 0 ? 100.0 * static_cast<double>(tally.identical) /
                                                     static_cast<double>(tally.columns)
                                               : 0.0;
    ReportEntry made;
    made.cells = "<tr class=\"pair\" data-n=\"" + n + "\"><td class=\"n\" data-v=\"" + n + "\">" + n +
                 "</td><td class=\"name\"><a href=\"#pair-" + n + "\">" + name1 + "</a></td>" +
                 numberCell(static_cast<long long>(pair.length1)) + "<td class=\"name\">" + name2 + "</td>" +
                 numberCell(static_cast<long long>(pair.length2));
    if (pair.localOnly) {
        made.cells += numberCell("", "&#8211;") + numberCell(pair.anchorScore) + numberCell(anchors.used) +
                      numberCell(anchors.listed) +
                      numberCell(fixed1(identity), fixed1(identity) + " (anchors)") + numberCell("", "&#8211;");
    } else {
        made.cells += numberCell(pair.score) + numberCell(pair.anchorScore) + numberCell(anchors.used) +
                      numberCell(anchors.listed) +
                      numberCell(fixed1(identity), fixed1(identity)) +
                      numberCell(figures.profile.conservedLength());
    }
    if (thumbnail) made.thumbnail = thumbnailSvg(pair, 48);

    // The picture and the view are most of it: appended once each, into
    // room made for them.
    std::string warnings;
    for (const Messages* messages : {&readNotes, &pair.messages})
        for (const Message& m : *messages) warnings += "<li>" + xmlText(m.text) + "</li>";
    if (!warnings.empty()) warnings = "<ul class=\"warnings\">" + warnings + "</ul>\n";
    const std::string heading = "<section class=\"detail\" id=\"pair-" + n + "\"><h2><span class=\"n\">" + n +
                                "</span>. " + xmlText(pair.name1) + " vs " + xmlText(pair.name2) + "</h2>\n" +
                                warnings + "<details class=\"picture\"><summary>Picture</summary>\n";
    constexpr std::string_view kViewStart = "</details>\n<details class=\"view\"><summary>Alignment view</summary>\n<pre class=\"view\">";
    constexpr std::string_view kEnd = "</pre></details></section>\n";
    std::string& text = made.section;
    text.reserve(heading.size() + picture.size() + kViewStart.size() + view.size() + view.size() / 8 + kEnd.size());
    text += heading;
    text += picture;
    text += kViewStart;
    appendHtmlText(text, view);
    text += kEnd;
    return made;
}

void HtmlReport::add(const PairAlignment& pair, ReportEntry entry) {
    if (failed_ || sections_ == nullptr) return;
    Row row{std::move(entry.cells), std::move(entry.thumbnail)};
    if (rows_.size() < kThumbnailLimit) {
        if (row.thumbnail.empty()) row.thumbnail = thumbnailSvg(pair, 48);
    } else {
        row.thumbnail.clear();
        if (rows_.size() == kThumbnailLimit)
            for (Row& r : rows_) std::string().swap(r.thumbnail);
    }
    rows_.push_back(std::move(row));
    const std::string& text = entry.section;
    if (std::fwrite(text.data(), 1, text.size(), sections_) != text.size()) failed_ = true;
}

void HtmlReport::finish(const RunDescription& run) {
    if (!page_.is_open()) return;
    const bool thumbnails = rows_.size() <= kThumbnailLimit;
    page_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
          << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
          << "<title>TORVA report</title>\n<style>" << reportStyle() << "</style>\n</head>\n<body>\n"
          << "<h1>TORVA report</h1>\n<p id=\"run\">Command: <code>" << xmlText(run.command)
          << "</code><br>Program: " << xmlText(run.program) << "<br>Date: " << xmlText(run.date)
          << "<br>Settings: <span id=\"settings\">" << settingsText(run) << "</span>"
          << "<br>Pairs: <span id=\"pair-count\">" << rows_.size() << "</span></p>\n"
          << "<p id=\"tools\"><label>Filter: <input id=\"filter\" type=\"search\" "
             "placeholder=\"any text of a row\"></label> <span id=\"shown\"></span></p>\n"
          << "<table id=\"pairs\" data-thumb-limit=\"" << kThumbnailLimit << "\" data-page-size=\""
          << kRowsPerPage << "\">\n<thead><tr><th data-type=\"num\">#</th><th class=\"name\">Sequence 1</th>"
             "<th data-type=\"num\">Length 1</th><th class=\"name\">Sequence 2</th><th data-type=\"num\">Length 2</th>"
             "<th data-type=\"num\">Score</th><th data-type=\"num\">Anchor score</th>"
             "<th data-type=\"num\" title=\"anchors the global alignment was built on\">Anchors used</th>"
             "<th data-type=\"num\" title=\"anchors the .loc file lists (at least 10 positions of sequence 1)\">Listed</th>"
             "<th data-type=\"num\" title=\"identical columns / all alignment columns\">Identity %</th>"
             "<th data-type=\"num\" title=\"positions of sequence 1 in windows of at least 70% identity\">Conserved bp</th>"
             "<th class=\"nosort\">Picture</th></tr></thead>\n<tbody>\n<!--rows-->\n";
    for (const Row& r : rows_)
        page_ << r.cells << "<td class=\"thumb\">" << (thumbnails ? r.thumbnail : "") << "</td></tr>\n";
    page_ << "<!--/rows-->\n</tbody>\n</table>\n<p id=\"pager\" hidden><button class=\"prev\">&#8592; previous</button>"
             "<button class=\"next\">next &#8594;</button></p>\n<!--sections-->\n";
    if (sections_ != nullptr && !failed_) {
        std::rewind(sections_);
        char buf[1 << 16];
        std::size_t got;
        while ((got = std::fread(buf, 1, sizeof buf, sections_)) > 0)
            page_.write(buf, static_cast<std::streamsize>(got));
        if (std::ferror(sections_)) failed_ = true;
    }
    page_ << "<!--/sections-->\n<script>" << reportScript() << "</script>\n</body>\n</html>\n";
    page_.close();
    if (page_.fail()) failed_ = true;
}
