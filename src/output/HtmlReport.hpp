#pragma once

#include <cstddef>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "align/PairAlignment.hpp"
#include "output/PairFigures.hpp"
#include "output/RunDescription.hpp"

// A pair's part of the report, as finished text: its table row without the
// small picture's cell, the small picture ("" when not drawn) and its section.
struct ReportEntry {
    std::string cells;
    std::string thumbnail;
    std::string section;
};

// One self-contained HTML page for a run: the run's command, program, date
// and settings; a table with one row (tr.pair) per pair, sortable by any column and
// filtered by a text box, with a small picture per pair; then per pair a
// section with its warnings, the full picture and the readable view, both
// collapsed. No
// file or address outside the page is used. Above `kThumbnailLimit` pairs the
// small pictures are left out and the table shows a page of rows at a time.
//
// The table rows and the sections each lie between marker comments, one row a
// line, so that reports of parts of a run can be joined into one.
class HtmlReport {
public:
    static constexpr std::size_t kThumbnailLimit = 300;
    static constexpr std::size_t kRowsPerPage = 100;

    explicit HtmlReport(std::string path);
    ~HtmlReport();
    HtmlReport(const HtmlReport&) = delete;
    HtmlReport& operator=(const HtmlReport&) = delete;

    const std::string& path() const { return path_; }
    // Creates (truncates) the page and the scratch store of the sections;
    // false on failure, with the system's reason.
    bool open(std::string& reason);
    // Adds a pair; `view` is its readable view and `picture` its picture
    // without the XML declaration (svgText with standalone false). Its
    // section lists `readNotes` (the reader's warnings about its records)
    // and the pair's own messages.
    void add(const PairAlignment& pair, std::size_t pairNumber, const std::string& view,
             const std::string& picture, const PairFigures& figures, const Messages& readNotes = {});
    // The same in two steps: entry() makes the text and touches nothing, so
    // that pairs can be made ready side by side, each with its small picture
    // when `thumbnail`; add() takes them in order, and draws a small picture
    // still wanted but not made.
    static ReportEntry entry(const PairAlignment& pair, std::size_t pairNumber, const std::string& view,
                             const std::string& picture, const PairFigures& figures, bool thumbnail,
                             const Messages& readNotes = {});
    void add(const PairAlignment& pair, ReportEntry entry);
    // Writes the whole page and closes it.
    void finish(const RunDescription& run);
    bool failed() const { return failed_; }
    // The pairs added so far.
    std::size_t pairs() const { return rows_.size(); }

private:
    struct Row {
        std::string cells;      // the row's HTML without thumbnail cell
        std::string thumbnail;  // the small picture, "" once there are too many
    };
    std::string path_;
    std::ofstream page_;
    std::FILE* sections_ = nullptr;
    std::vector<Row> rows_;
    bool failed_ = false;
};

// A small picture of a pair: the global path and the anchors, `side` pixels
// square, without text.
std::string thumbnailSvg(const PairAlignment& pair, double side);

// Appends text for an HTML element to `out`: markup characters escaped,
// control characters other than newline and broken UTF-8 shown as '?'.
void appendHtmlText(std::string& out, std::string_view text);
