// The presets are the one place the defaults are written: the manual page,
// the help and the library must state the same values, and the factor's
// floor holds however a run is asked for.
#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "TestSupport.hpp"
#include "cli/CommandLine.hpp"
#include "pair/RunSettings.hpp"

using namespace testsupport;

namespace {

// The manual page as text: escapes and font requests dropped, lines joined
// by a blank. The arguments of an alternating-font request (.BR, .BI, ...)
// join without one, as they print.
std::string manText() {
    std::istringstream in(readFile(std::string(TORVA_SOURCE_DIR) + "/man/torva.1"));
    std::string text;
    for (std::string line; std::getline(in, line);) {
        for (std::size_t at; (at = line.find("\\-")) != std::string::npos;) line.replace(at, 2, "-");
        for (std::size_t at; (at = line.find("\\f")) != std::string::npos;) line.erase(at, 3);
        const bool request = line.size() > 1 && line[0] == '.' && (line[1] == 'B' || line[1] == 'I' || line[1] == 'R');
        if (request) {
            const bool alternating = line.size() > 2 && line[2] != ' ';
            std::string joined, word;
            bool quoted = false;
            const auto flush = [&] {
                if (!word.empty()) joined += (alternating || joined.empty() ? "" : " ") + word;
                word.clear();
            };
            for (char c : line.substr(line.find(' ') == std::string::npos ? line.size() : line.find(' '))) {
                if (c == '"') quoted = !quoted;
                else if (c == ' ' && !quoted) flush();
                else word += c;
            }
            flush();
            line = joined;
        }
        text += line + " ";
    }
    return text;
}

// The paragraph of one option (from its ".TP" tag to the next).
std::string optionParagraph(const std::string& man, const std::string& tag) {
    const std::size_t at = man.find(tag);
    if (at == std::string::npos) return "";
    return man.substr(at, man.find(".TP", at) - at);
}

std::string dnaAndProtein(int Preset::*value) {
    return "DNA " + std::to_string(kDnaPreset.*value) + ", protein " + std::to_string(kProteinPreset.*value);
}

}  // namespace

// Every default the manual states is the preset's, and no option states one
// this test does not check.
TEST(RunSettings, ManualPageStatesThePresets) {
    const std::string man = manText();
    ASSERT_FALSE(man.empty());
    EXPECT_NE(optionParagraph(man, "-G n").find(dnaAndProtein(&Preset::gapOpen)), std::string::npos);
    EXPECT_NE(optionParagraph(man, "-A n").find(dnaAndProtein(&Preset::gapExtend)), std::string::npos);
    EXPECT_NE(optionParagraph(man, "-C n").find(dnaAndProtein(&Preset::minLength)), std::string::npos);
    ASSERT_EQ(kDnaPreset.scoreFactor, kProteinPreset.scoreFactor) << "the page states one factor for both";
    const std::string factor = optionParagraph(man, "-T n");
    EXPECT_NE(factor.find("(default " + std::to_string(kDnaPreset.scoreFactor) + ")"), std::string::npos) << factor;
    const std::string floor = std::to_string(RunLimits::kMinScoreFactor);
    EXPECT_NE(factor.find("values below " + floor + " count as " + floor), std::string::npos) << factor;
    const std::string matrix = optionParagraph(man, "-S file");
    EXPECT_NE(matrix.find(std::string("Default: ") + kDnaPreset.matrixFile + " (with -P: " +
                          kProteinPreset.matrixFile + ")"),
              std::string::npos)
        << matrix;
    EXPECT_NE(optionParagraph(man, "-t n").find("1 to " + std::to_string(RunLimits::kMaxThreads)), std::string::npos);

    EXPECT_NE(man.find("more than " + std::to_string(RunLimits::kMaxDnaLetters) + " distinct letters"),
              std::string::npos);

    // A default stated anywhere else would go unchecked; --first-pair's is
    // the numbering's, not a preset's.
    const std::regex stated(R"(DNA \d+, protein \d+|\(default \d+\))");
    std::multiset<std::string> found;
    for (auto m = std::sregex_iterator(man.begin(), man.end(), stated); m != std::sregex_iterator(); ++m)
        found.insert(m->str());
    EXPECT_EQ(found, (std::multiset<std::string>{dnaAndProtein(&Preset::gapOpen), dnaAndProtein(&Preset::gapExtend),
                                                 dnaAndProtein(&Preset::minLength),
                                                 "(default " + std::to_string(kDnaPreset.scoreFactor) + ")",
                                                 "(default 1)"}));
}

// The floor of -T is applied when the values are resolved, to the factor as
// asked on the command line or through the library, and nowhere else.
TEST(RunSettings, FactorFloorAndModeDefaults) {
    for (const auto& [asked, used] : std::vector<std::pair<int, int>>{{0, 6}, {5, 6}, {6, 6}, {7, 7}, {1000000, 1000000}})
        EXPECT_EQ(clampScoreFactor(asked), used) << asked;

    RequestedValues dna;
    const AlignParameters d = resolveAlignParameters(dna, 4, GappedAnchorRealign::kWindows);
    EXPECT_EQ(std::vector<int>({d.gapOpen, d.gapExt, d.scoreFactor, d.cutLen, d.maskChar}),
              std::vector<int>({-kDnaPreset.gapOpen, -kDnaPreset.gapExtend, kDnaPreset.scoreFactor,
                                kDnaPreset.minLength, kDnaPreset.maskChar}));
    // More letters than DNA has switch to protein, and so does asking for it.
    for (const auto& [protein, letters] : std::vector<std::pair<bool, std::size_t>>{{false, 21}, {true, 4}}) {
        RequestedValues asked;
        asked.protein = protein;
        asked.scoreFactor = 2;
        asked.gapExt = 7;
        const AlignParameters p = resolveAlignParameters(asked, letters, GappedAnchorRealign::kWhole);
        EXPECT_TRUE(p.protein);
        EXPECT_EQ(std::vector<int>({p.gapOpen, p.gapExt, p.scoreFactor, p.cutLen, p.maskChar}),
                  std::vector<int>({-kProteinPreset.gapOpen, -7, RunLimits::kMinScoreFactor,
                                    kProteinPreset.minLength, kProteinPreset.maskChar}));
    }
}

// The README's table of options gives each mode's default in its own column.
TEST(RunSettings, ReadmeTableStatesThePresets) {
    std::map<std::string, std::vector<std::string>> rows;  // first option -> its cells
    std::istringstream readme(readFile(std::string(TORVA_SOURCE_DIR) + "/README.md"));
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("| `-", 0) != 0) continue;
        std::vector<std::string> cells;
        std::istringstream in(line.substr(1));
        for (std::string cell; std::getline(in, cell, '|');) {
            const std::size_t from = cell.find_first_not_of(' ');
            cells.push_back(from == std::string::npos ? "" : cell.substr(from, cell.find_last_not_of(' ') + 1 - from));
        }
        rows[cells[0].substr(1, cells[0].find(' ') - 1)] = cells;
    }
    const auto both = [&](const std::string& option, const std::string& dna, const std::string& protein) {
        ASSERT_EQ(rows.count(option), 1u) << option;
        EXPECT_EQ(rows[option][2] + " | " + rows[option][3], dna + " | " + protein) << option;
    };
    const auto numbers = [&](const std::string& option, int Preset::*value) {
        both(option, std::to_string(kDnaPreset.*value), std::to_string(kProteinPreset.*value));
    };
    both("-S", std::string("`") + kDnaPreset.matrixFile + "`", std::string("`") + kProteinPreset.matrixFile + "`");
    numbers("-G", &Preset::gapOpen);
    numbers("-A", &Preset::gapExtend);
    numbers("-T", &Preset::scoreFactor);
    numbers("-C", &Preset::minLength);
    EXPECT_EQ(rows["-t"][1], "1 to " + std::to_string(RunLimits::kMaxThreads));
    const std::string floor = std::to_string(RunLimits::kMinScoreFactor);
    EXPECT_NE(rows["-T"][4].find("values below " + floor + " count as " + floor), std::string::npos);
}
