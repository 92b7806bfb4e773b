// Runs the built programs on small inputs and compares all output files byte
// for byte with files checked by hand. What each case shows is said with it.

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "TestSupport.hpp"
#include "support/ViewText.hpp"
#include "cli/Driver.hpp"
#include "common/MemoryBudget.hpp"

using namespace testsupport;

namespace {

const std::string kBin = TORVA_BIN_DIR;
const std::string kCases = std::string(TORVA_SOURCE_DIR) + "/tests/e2e/";
const std::string kExamples = std::string(TORVA_SOURCE_DIR) + "/examples/";
const std::string kDna = "-S " + kCases + "simple.matrix -G 5 -A 1 -T 6 -C 5 -I " + kCases + "dna_cases.fa";
const std::string kGapped = "-S " + kCases + "simple.matrix -G 2 -A 1 -T 6 -C 20 -I " + kCases + "gapped_anchor.fa";

}  // namespace

// dna_cases.fa under +5/-4, gaps 5/1, cutoff 30 (expected/dna*):
//  inside  - a run of six N inside sequence 1: one anchor over the whole pair
//            with a one-column gap where the collapsed n stands; the alignment
//            shows the whole run against six gaps, the listing the run's
//            positions (end 26 = last residue) with the single n in its row.
//  ends    - runs at both ends of sequence 1 (NNN, nn): the anchor starts at
//            collapsed 1 (printed as 3); the outer one-sided stretches cost a
//            full gap each (105 - 5 - 5 = 95) and show the runs restored.
//  single  - one n: a run of length 1, so the uncollapsed listing form is used
//            (end 21 instead of 22) and nothing is inserted.
//  weak    - best local score 28 <= cutoff 30: plain global alignment, anchor
//            score 0, but the listing still selects and lists the segment.
//  below   - nothing positive (aaaaaa/cccc): all-gap global alignment (-18),
//            header line alone in the listing.
//  empty   - an empty sequence: a single gap of four (-8).
//  odd_one_out - a trailing record without a partner: not aligned, a warning.
// With -L (dna_local): three-column summary lines carrying the sum of the
// selected anchors' scores, the same listing, and no alignment file.
//
// Protein (-P, the shipped BLOSUM, -C 5):
//  hba_part/hba_starred - a run of three '*' and a single '*' in sequence 2:
//            both collapse, the run is restored against gaps (252 - 2*15 = 222).
//  hbb_part/hba_again   - no mask character ('n' is an ordinary letter here):
//            plain listing form; the leading stretch is aligned with a free
//            overhang (anchor 72, total 70).
//
// gapped_anchor.fa: a 300 bp pair with sparse indels under cheap gaps (-G 2
// -A 1): the single anchor holds gaps in both rows. torva re-aligns only
// windows around its gap clusters and copies the stretch in between (1425);
// torva-b aligns the whole segment again and finds a better placement of two
// mismatches (1426).
//
// The README's demo: its outputs are shipped next to the inputs.
TEST(EndToEnd, OutputsMatchByteForByte) {
    struct Case {
        std::string program, options, expected;
    };
    for (const Case& c : std::vector<Case>{
             {"torva", kDna, kCases + "expected/dna"},
             {"torva-b", kDna, kCases + "expected/dna"},
             {"torva", "-L " + kDna, kCases + "expected/dna_local"},
             {"torva", "-P -C 5 -I " + kCases + "protein_cases.fa", kCases + "expected/protein"},
             {"torva", kGapped, kCases + "expected/gapped_torva"},
             {"torva-b", kGapped, kCases + "expected/gapped_torva-b"},
             {"torva", "-I " + kExamples + "demo.fa", kExamples + "expected/demo.aln"},
             {"torva", "-P -I " + kExamples + "protein.fa", kExamples + "expected/protein.aln"},
         }) {
        TempDir dir;
        writeFile(dir / "out", "mine");  // with -L there is no alignment file: this one stays
        const std::string command = kBin + "/" + c.program + " " + c.options + " -O " + (dir / "out") +
                                    " >/dev/null 2>" + (dir / "err");
        EXPECT_EQ(shell(command), 0) << command;
        const bool localOnly = c.options.rfind("-L", 0) == 0;
        EXPECT_EQ(readFile(dir / "out") == "mine", localOnly) << command;
        for (const std::string suffix : {"", ".loc", ".score"}) {
            if (!localOnly || suffix != "") {
                EXPECT_EQ(readFile(dir / ("out" + suffix)), readFile(c.expected + suffix)) << command << " " << suffix;
            }
        }
        EXPECT_TRUE(c.options != kDna || readFile(dir / "err").find("odd_one_out") != std::string::npos);
    }
}

// A pair whose matrices do not fit in memory is skipped with a message; the
// pairs around it are written as usual and the run ends with status 2. The
// files, the messages and their order are the same for any number of
// threads, with mask runs, a skipped pair and an odd trailing record; so are
// the pictures, the view and the report (but for its date), which the workers
// draw, and the pairs after the skipped one keep their numbers there.
TEST(EndToEnd, SkippedPairAndEveryThreadCountGiveTheSameFiles) {
    TempDir dir;
    const std::string big(50000, 'A');
    writeFile(dir / "in.fa", ">one\nACGTACGTACGT\n>two\nACGTACGTACGT\n>big1\n" + big + "\n>big2\n" + big +
                                 "\n>three\nACGT\n>four\nACGT\n" + readFile(kCases + "dna_cases.fa"));
    std::string first;
    for (const char* threads : {"1", "2", "4"}) {
        const std::string out = dir / (std::string("t") + threads);
        Args args({kBin + "/torva", "-t", threads, "-S", kCases + "simple.matrix", "-G", "5", "-A", "1", "-T",
                   "6", "-C", "5", "-I", dir / "in.fa", "-O", out, "--paf", out + ".paf", "--plot", out + ".plots",
                   "--view", out + ".view", "--report", out + ".html"});
        MemoryBudget::process().setCeilingForTesting(MemoryBudget::process().reserved() + (4u << 20));
        const Captured result = capture([&] { return runProgram(args.argc(), args.argv()); });
        MemoryBudget::process().setCeilingForTesting(0);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("torva: skipped pair big1 (50000) and big2 (50000): it needs"), std::string::npos);
        EXPECT_NE(result.err.find("odd_one_out) has no partner"), std::string::npos);
        // The run's date, in the views and the report, differs from run to run.
        auto undated = [](const std::string& text) {
            std::istringstream in(text);
            std::string kept;
            for (std::string line; std::getline(in, line);)
                if (line.find("Date: ") == std::string::npos && line.find("# Rundate: ") == std::string::npos)
                    kept += line + "\n";
            return kept;
        };
        std::string all = result.out + "|" + result.err + "|" + readFile(out) + "|" + readFile(out + ".loc") +
                          "|" + readFile(out + ".score") + "|" + readFile(out + ".paf") + "|" +
                          undated(readFile(out + ".view"));
        std::vector<fs::path> pictures;
        for (const auto& entry : fs::directory_iterator(out + ".plots")) pictures.push_back(entry.path());
        std::sort(pictures.begin(), pictures.end());
        for (const fs::path& picture : pictures)
            all += "|" + picture.filename().string() + ":" + readFile(picture.string());
        all += undated(readFile(out + ".html"));
        // The command, which the view and the report show, differs only in these.
        for (const std::string& differs : {out, std::string(" -t ") + threads + " "})
            for (auto at = all.find(differs); at != std::string::npos; at = all.find(differs, at))
                all.replace(at, differs.size(), "~");
        if (first.empty()) first = all;
        EXPECT_TRUE(exists(out + ".plots/0003_three_vs_four.svg")) << threads << " threads";
        EXPECT_NE(readFile(out + ".view").find("# Pair: 3\n"), std::string::npos) << threads << " threads";
        EXPECT_NE(all.find("href=\"#pair-3\">three<"), std::string::npos) << threads << " threads";
        EXPECT_TRUE(all == first) << threads << " threads";
        EXPECT_EQ(readFile(out + ".score").substr(0, 30), "one\ttwo\t60\t60\nthree\tfour\t0\t20\n");
    }
}

// Every PAF line's CIGAR gives back both spans, and its '=' count is the
// column of matching residues; with -L, for every listed anchor too.
TEST(EndToEnd, PafCigarsGiveBackTheirSpans) {
    TempDir dir;
    for (const std::string& options : {"-I " + kExamples + "demo.fa", "-L -I " + kExamples + "demo.fa", kDna,
                                      "-L " + kDna, "-P -C 5 -I " + kCases + "protein_cases.fa"}) {
        ASSERT_EQ(std::system((kBin + "/torva -q " + options + " -O " + (dir / "out") + " --paf " +
                               (dir / "out.paf") + " 2>/dev/null").c_str()), 0);
        std::istringstream lines(readFile(dir / "out.paf"));
        std::string line;
        int records = 0;
        while (std::getline(lines, line)) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
            ASSERT_GE(f.size(), 14u) << line;
            long long query = 0, target = 0, equal = 0, count = 0;
            for (const char c : f[13].substr(5)) {
                if (std::isdigit(static_cast<unsigned char>(c))) {
                    count = count * 10 + (c - '0');
                    continue;
                }
                query += c == 'D' ? 0 : count;
                target += c == 'I' ? 0 : count;
                equal += c == '=' ? count : 0;
                count = 0;
            }
            EXPECT_EQ(query, std::stoll(f[3]) - std::stoll(f[2])) << line;
            EXPECT_EQ(target, std::stoll(f[8]) - std::stoll(f[7])) << line;
            EXPECT_EQ(equal, std::stoll(f[9])) << line;
            ++records;
        }
        EXPECT_GT(records, 0) << options;
    }
}

// The view of every pair of the examples and the end-to-end inputs joins
// back to the alignment file's rows, and every picture draws one anchor per
// anchor of the listing, a gapped one along more than two points.
TEST(EndToEnd, ViewsAndPicturesMatchTheFiles) {
    struct Case {
        std::string program, options;
    };
    for (const Case& c : std::vector<Case>{
             {"torva", kDna},
             {"torva", "-P -C 5 -I " + kCases + "protein_cases.fa"},
             {"torva", kGapped},
             {"torva-b", kGapped},
             {"torva", "-I " + kExamples + "demo.fa"},
             {"torva", "-P -I " + kExamples + "protein.fa"},
         }) {
        TempDir dir;
        const std::string command = kBin + "/" + c.program + " -q " + c.options + " -O " + (dir / "out") +
                                    " --plot " + (dir / "plots") + " --view " + (dir / "view") + " 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const auto rows = viewtext::alignmentRows(readFile(dir / "out"));
        const auto views = viewtext::parseView(readFile(dir / "view"));
        ASSERT_EQ(views.size(), rows.size()) << command;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(views[k].row1, rows[k].first) << command << " pair " << k + 1;
            EXPECT_EQ(views[k].row2, rows[k].second) << command << " pair " << k + 1;
        }

        // Anchors per pair in the listing: two lines each after the header,
        // whose anchor score is 0 when the alignment is built on none.
        std::vector<int> listed;
        std::vector<bool> anchored;
        std::istringstream loc(readFile(dir / "out.loc"));
        for (std::string line; std::getline(loc, line);) {
            if (line[0] == '>') {
                listed.push_back(0);
                const std::size_t last = line.rfind('\t'), before = line.rfind('\t', last - 1);
                anchored.push_back(line.substr(before + 1, last - before - 1) != "0");
            } else if (line[0] == '1') {
                ++listed.back();
            }
        }
        std::vector<fs::path> pictures;
        for (const auto& entry : fs::directory_iterator(dir / "plots")) pictures.push_back(entry.path());
        std::sort(pictures.begin(), pictures.end());
        ASSERT_EQ(pictures.size(), listed.size()) << command;
        for (std::size_t k = 0; k < pictures.size(); ++k) {
            const std::string svg = readFile(pictures[k].string());
            // Drawn: the anchors used and those listed; listed only, when none is used.
            int anchors = 0, listedOnly = 0;
            for (auto at = svg.find("class=\"anchor"); at != std::string::npos; at = svg.find("class=\"anchor", at + 1)) {
                auto is = [&](const std::string& text) { return svg.compare(at, text.size(), text) == 0; };
                if (is("class=\"anchor-rest\"")) continue;
                ++anchors;
                listedOnly += is("class=\"anchor listed\"");
                const auto points = svg.find("points=\"", at);
                const std::string list = svg.substr(points + 8, svg.find('"', points + 8) - points - 8);
                const auto corners = std::count(list.begin(), list.end(), ',');
                EXPECT_GE(corners, c.options == kGapped ? 3 : 2) << pictures[k];
            }
            EXPECT_GE(anchors, listed[k]) << pictures[k];
            EXPECT_EQ(listedOnly, anchored[k] ? 0 : anchors) << pictures[k];
        }
    }
}

// With -L there are only anchors: the view shows each listed one, and
// its segments are the listing's rows with the mask runs expanded.
TEST(EndToEnd, AnchorsOnlyViewShowsTheListedAnchors) {
    TempDir dir;
    ASSERT_EQ(std::system((kBin + "/torva -q -L " + kDna + " -O " + (dir / "out") + " --view " + (dir / "view") +
                           " --report " + (dir / "r.html") + " 2>/dev/null").c_str()),
              0);
    const std::string text = readFile(dir / "view");
    const auto views = viewtext::parseView(text);
    // Residues of sequence 1 with each run of n as one, as the listing shows them.
    auto collapsed = [](const std::string& row) {
        std::string out;
        for (char ch : row)
            if (ch != '-' && !(ch == 'n' && !out.empty() && out.back() == 'n')) out += ch;
        return out;
    };
    std::vector<std::string> listed;
    std::istringstream loc(readFile(dir / "out.loc"));
    for (std::string line; std::getline(loc, line);) {
        if (line[0] == '>') listed.emplace_back();
        else if (line[0] == '1') listed.back() += line.substr(line.rfind(' ') + 1);
    }
    ASSERT_EQ(views.size(), listed.size());
    for (std::size_t k = 0; k < listed.size(); ++k)
        EXPECT_EQ(collapsed(views[k].row1), collapsed(listed[k])) << "pair " << k + 1;
    EXPECT_NE(text.find("# Global_alignment: none (-L)"), std::string::npos);
    const std::string html = readFile(dir / "r.html");
    std::size_t rows = 0;
    for (auto at = html.find("<tr class=\"pair\""); at != std::string::npos; at = html.find("<tr class=\"pair\"", at + 1)) ++rows;
    EXPECT_EQ(rows, listed.size());
}

// Both the PAF and the view on standard output would interleave two formats.
TEST(EndToEnd, OneFormatOnStandardOutput) {
    TempDir dir;
    EXPECT_EQ(shell(kBin + "/torva -q " + kDna + " -O " + (dir / "out") + " --paf - --view - >" + (dir / "stdout") +
                    " 2>" + (dir / "err")), 1);
    EXPECT_FALSE(exists(dir / "out.loc"));
    EXPECT_NE(readFile(dir / "err").find("standard output"), std::string::npos);
}

// Standard output carries only the one format sent there, byte for byte what
// its file would hold; the warnings go to standard error whatever goes to
// standard output, and a run with no '-' writes nothing there. Standard input
// as the input changes none of it. expected/dna.paf is the PAF of
// dna_cases.fa: the mask runs of "inside" count in the query's span and its
// CIGAR, those at the ends of "ends" fall outside its span.
TEST(EndToEnd, StandardOutputHoldsOnlyTheFormatSentThere) {
    // The view names the command it came from and when; the rest must agree.
    const auto withoutRunLines = [](const std::string& view) {
        std::istringstream in(view);
        std::string out, line;
        while (std::getline(in, line))
            if (line.rfind("# Commandline: ", 0) != 0 && line.rfind("# Rundate: ", 0) != 0) out += line + "\n";
        return out;
    };
    for (const std::string program : {"torva", "torva-b"}) {
        TempDir dir;
        const std::string run = kBin + "/" + program + " -q " + kDna;
        ASSERT_EQ(shell(run + " -O " + (dir / "a") + " --paf - --view " + (dir / "a.view") + " >" +
                        (dir / "a.out") + " 2>" + (dir / "a.err")), 0);
        ASSERT_EQ(shell(run + " -O " + (dir / "b") + " --view - --paf " + (dir / "b.paf") + " >" +
                        (dir / "b.out") + " 2>" + (dir / "b.err")), 0);
        ASSERT_EQ(shell(run + " -O " + (dir / "c") + " >" + (dir / "c.out") + " 2>" + (dir / "c.err")), 0);
        ASSERT_EQ(shell("cat " + kCases + "dna_cases.fa | " + kBin + "/" + program + " -q -S " + kCases +
                        "simple.matrix -G 5 -A 1 -T 6 -C 5 -I - -O " + (dir / "d") + " --paf - >" +
                        (dir / "d.out") + " 2>" + (dir / "d.err")), 0);

        const std::string paf = readFile(kCases + "expected/dna.paf");
        EXPECT_EQ(readFile(dir / "a.out"), paf) << program;
        EXPECT_EQ(readFile(dir / "b.paf"), paf) << program;
        EXPECT_EQ(readFile(dir / "d.out"), paf) << program;
        const std::string view = readFile(dir / "b.out");
        EXPECT_NE(view.find("# Pair: 6\n"), std::string::npos) << program;
        EXPECT_TRUE(withoutRunLines(view) == withoutRunLines(readFile(dir / "a.view"))) << program;
        EXPECT_EQ(readFile(dir / "c.out"), "") << program;

        const std::string err = readFile(dir / "c.err");
        EXPECT_NE(err.find("odd_one_out"), std::string::npos) << program;
        EXPECT_NE(err.find("(empty)"), std::string::npos) << program;
        for (const std::string other : {"a.err", "b.err"}) EXPECT_EQ(readFile(dir / other), err) << program << " " << other;
        EXPECT_EQ(readFile(dir / "d.err"), err) << program;
        for (const std::string name : {"a", "b", "c", "d"})
            for (const std::string suffix : {"", ".loc", ".score"})
                EXPECT_EQ(readFile(dir / (name + suffix)), readFile(kCases + "expected/dna" + suffix))
                    << program << " " << name << suffix;
    }
}

// UniProt and NCBI records are named by their headers' first words in every
// output, and their pictures' names stay short and distinct.
TEST(EndToEnd, DatabaseRecordsKeepTheirIdentifiers) {
    TempDir dir;
    const std::string protein = "MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHFDLSHGSAQVKGHGKKVADALTNAVAHV";
    writeFile(dir / "in.fa",
              ">sp|P69905|HBA_HUMAN Hemoglobin subunit alpha OS=Homo sapiens OX=9606\n" + protein + "\n" +
                  ">sp|P01942|HBA_MOUSE Hemoglobin subunit alpha OS=Mus musculus OX=10090\n" + protein + "\n" +
                  ">gi|4504349|ref|NP_000509.1| hemoglobin subunit beta [Homo sapiens]\n" + protein + "\n" +
                  ">gi|" + std::string(120, '7') + "|ref|NP_1.1| long\n" + protein + "\n");
    ASSERT_EQ(shell(kBin + "/torva -q -P -I " + (dir / "in.fa") + " -O " + (dir / "out") + " --paf " +
                    (dir / "out.paf") + " --plot " + (dir / "plots") + " 2>/dev/null"),
              0);
    std::istringstream score(readFile(dir / "out.score"));
    std::string line;
    std::getline(score, line);
    EXPECT_EQ(line.substr(0, line.find('\t', line.find('\t') + 1)), "sp|P69905|HBA_HUMAN\tsp|P01942|HBA_MOUSE");
    std::getline(score, line);
    EXPECT_EQ(line.substr(0, line.find('\t')), "gi|4504349|ref|NP_000509.1|");
    EXPECT_EQ(readFile(dir / "out.paf").substr(0, 20), "sp|P69905|HBA_HUMAN\t");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "plots")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "0001_sp_P69905_HBA_HUMAN_vs_sp_P01942_HBA_MOUSE.svg");
    EXPECT_EQ(names[1].rfind("0002_gi_4504349_ref_NP_000509.1__vs_gi_777", 0), 0u) << names[1];
    EXPECT_LE(names[1].size(), 100u) << names[1];
}
