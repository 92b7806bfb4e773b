#include "cli/CommandLine.hpp"

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "cli/MessageSink.hpp"
#include "cli/RunStop.hpp"
#include "pair/RunSettings.hpp"
#include "scoring/ValueLimits.hpp"

#ifndef TORVA_VERSION
#define TORVA_VERSION "unknown"
#endif
#ifndef TORVA_DATA_DIR
#define TORVA_DATA_DIR "/usr/local/share/torva"
#endif

namespace {

constexpr long kMaxOptionValue = kMaxAbsValue;
// Codes of the options that have only a long name.
constexpr int kPafOption = 1001;
constexpr int kPlotOption = 1002;
constexpr int kFirstPairOption = 1003;
constexpr int kViewOption = 1004;
constexpr int kReportOption = 1005;
constexpr int kStrandOption = 1006;
constexpr int kMafOption = 1007;

// The long names of the options that also have a letter.
constexpr struct {
    const char* name;
    int letter;
    bool value;
} kLongNames[] = {
    {"input", 'I', true},       {"matrix", 'S', true},      {"output", 'O', true},
    {"gap-open", 'G', true},    {"gap-extend", 'A', true},  {"factor", 'T', true},
    {"min-length", 'C', true},  {"protein", 'P', false},    {"local-only", 'L', false},
    {"threads", 't', true},     {"quiet", 'q', false},
};

const std::vector<option>& longOptions() {
    static const std::vector<option> all = [] {
        std::vector<option> list{{"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, 'V'},
                                 {"paf", required_argument, nullptr, kPafOption},
                                 {"plot", required_argument, nullptr, kPlotOption},
                                 {"view", required_argument, nullptr, kViewOption},
                                 {"report", required_argument, nullptr, kReportOption},
                                 {"first-pair", required_argument, nullptr, kFirstPairOption},
                                 {"strand", required_argument, nullptr, kStrandOption},
                                 {"maf", required_argument, nullptr, kMafOption}};
        for (const auto& named : kLongNames)
            list.push_back({named.name, named.value ? required_argument : no_argument, nullptr, named.letter});
        list.push_back({nullptr, 0, nullptr, 0});
        return list;
    }();
    return all;
}

// 1000000 as "1,000,000".
std::string grouped(long value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

const std::string& numberLimitText() {
    static const std::string text = "at most " + grouped(kMaxOptionValue) + " either way";
    return text;
}

// "(DNA; protein: PROTEIN)", as the help states a default.
std::string bothModes(const std::string& dna, const std::string& protein) {
    return "(" + dna + "; protein: " + protein + ")";
}
std::string bothModes(int Preset::*value) {
    return bothModes(std::to_string(kDnaPreset.*value), std::to_string(kProteinPreset.*value));
}

std::size_t lastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string executableDirectory() {
    char buf[PATH_MAX];
    ssize_t len = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (len <= 0) return "";
    std::string exe(buf, static_cast<std::size_t>(len));
    std::size_t sep = exe.rfind('/');
    if (sep == std::string::npos || sep == 0) return "";
    return exe.substr(0, sep);
}

[[noreturn]] void stopWith(const std::string& line) {
    MessageSink::err(line);
    throw RunStop{1};
}

}  // namespace

// One parse of the arguments: the program's name for its messages and how
// the option being read was written ("-G" or "--gap-open").
class OptionParse {
public:
    std::string programPath;
    std::string name;
    std::string spelling;

    // The two lines of a refused value: the first as scripts have always
    // read it, the second saying why.
    [[noreturn]] void invalidValue(int option, const std::string& why) const {
        MessageSink::emit(verbatimErrLine(std::string("Invalid value for option '-") + static_cast<char>(option) + "'"));
        stopWith(name + ": " + spelling + " " + (optarg != nullptr ? optarg : "") + ": " + why);
    }

    // The value of -I, -S, -O, -T, -C and -t: it must not begin with '-'.
    const char* checkedValue(int option) const {
        if (optarg == nullptr || optarg[0] == '-')
            invalidValue(option, "a value here may not begin with '-' (for a file named so, write ./" +
                                     std::string(optarg != nullptr ? optarg : "") + ")");
        return optarg;
    }

    int numberValue(int option, const char* text) const {
        int value = 0;
        if (!parseOptionNumber(text, value)) invalidValue(option, optionNumberProblem(text));
        return value;
    }
};

void printUsage(std::ostream& out, const std::string& programPath) {
    out << "\nUsage: " << programPath << " -I InputSeqFile\n" << std::endl;
    out << "\n----Required Parameters with Value----\n" << std::endl;
    out << "-I InputSeqFile Input sequence file in FASTA format" << std::endl;
    out << "\n----Optional Parameters with Value----\n" << std::endl;
    out << "-S ScoreMatrix\t The scoring matrix file name\n";
    out << "-O OutputFile\t The output file name for alignments\n";
    out << "-G Open_Cost\t The opening gap penalty\n";
    out << "-A Ext_Cost\t The affine gap penalty \n";
    out << "-T ScoreFactor\t The factor used to increase the cutoff of local alignments\n";
    out << "-C CutOff_len\t The minmum length of sequence regions for anchoring alignment\n";
    out << "\n----Optional Indicator Parameters----\n" << std::endl;
    out << "-L Only output non-overlapped local alignments\n";
    out << "-P The data are protein sequences. The default are DNA sequences\n";
    out << "-H Print the usage information" << std::endl;
    out << "-V Print the version information" << std::endl;
    out << std::endl;
}

// The defaults and limits come from the presets, so the help cannot drift
// from what a run does; the line breaks are fixed for today's numbers.
void printHelp(std::ostream& out, const std::string& programPath) {
    const std::string name = programName(programPath);
    out << "Usage: " << name << " -I FILE [options]\n"
        << "Aligns the FASTA records of FILE two at a time (records 1 and 2, 3 and 4, ...) and\n"
        << "writes the alignments, their anchors (.loc) and one line per pair (.score).\n"
        << "\n"
        << "Options (defaults for DNA; for protein, with -P, where they differ):\n"
        << "  -I, --input FILE       input FASTA file, plain or gzip-compressed; '-I -' reads\n"
        << "                         standard input (then -O is needed)\n"
        << "  -S, --matrix FILE      scoring-matrix file "
        << bothModes(kDnaPreset.matrixFile, kProteinPreset.matrixFile) << ", looked\n"
        << "                         for next to the program, then in its share/torva; or a\n"
        << "                         shipped matrix by name (BLOSUM62, PAM250, HOXD70, ...)\n"
        << "  -O, --output FILE      alignment file; FILE.loc and FILE.score are written beside\n"
        << "                         it (default: the input path + .DAZAZ)\n"
        << "  -G, --gap-open N       gap opening cost " << bothModes(&Preset::gapOpen) << "\n"
        << "  -A, --gap-extend N     gap extension cost " << bothModes(&Preset::gapExtend) << "\n"
        << "  -T, --factor N         factor that raises the cutoff of local alignments, at\n"
        << "                         least " << RunLimits::kMinScoreFactor << " "
        << bothModes(&Preset::scoreFactor) << "\n"
        << "  -C, --min-length N     minimum length of sequence regions for anchoring\n"
        << "                         " << bothModes(&Preset::minLength) << "\n"
        << "  -P, --protein          the sequences are protein\n"
        << "  -L, --local-only       only list the non-overlapping local alignments; no\n"
        << "                         alignment file is written\n"
        << "  -t, --threads N        threads, 1 to " << RunLimits::kMaxThreads
        << " (the cores this process may use)\n"
        << "  -q, --quiet            no progress line\n"
        << "      --paf FILE         also write one PAF line per pair ('-': standard output)\n"
        << "      --plot DIR         also draw an SVG dot plot of each pair into DIR\n"
        << "      --maf FILE         also write one MAF block per pair ('-': standard output)\n"
        << "      --view FILE        also write a readable view of each pair, in blocks of 60\n"
        << "                         columns ('-': standard output)\n"
        << "      --report FILE      also write one self-contained HTML report of the run\n"
        << "      --first-pair N     number the pairs from N, as for a chunk of a larger input\n"
        << "                         (1)\n"
        << "      --strand S         the strands of sequence 2 to align: plus, minus (its\n"
        << "                         reverse complement) or both, keeping the better (plus);\n"
        << "                         DNA only\n"
        << "  -h, --help             this help\n"
        << "  -H                     the short usage text\n"
        << "  -V, -v, --version      the program name and version\n"
        << "\n"
        << "Numbers are whole, " << numberLimitText() << "; a value may follow its option\n"
        << "as the next argument, attached (-G12) or after '=' (--gap-open=12).\n"
        << "\n"
        << "Environment:\n"
        << "  TORVA_KERNEL           scalar, sse4, avx2 or avx512 (neon on arm64): the vector\n"
        << "                         kernels to use (default: the best the processor runs)\n";
    out.flush();
}

std::string programName(const std::string& programPath) {
    std::size_t sep = lastSeparator(programPath);
    std::string name = sep == std::string::npos ? programPath : programPath.substr(sep + 1);
    return name.empty() ? "torva" : name;
}

void printVersion(std::ostream& out, const std::string& programPath) {
    out << programName(programPath) << " " << TORVA_VERSION << std::endl;
}

bool parseOptionNumber(const char* text, int& value) {
    if (text == nullptr) return false;
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (*p == '\0') return false;
    long magnitude = 0;
    for (; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > kMaxOptionValue) return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

std::string optionNumberProblem(const char* text) {
    if (text == nullptr || *text == '\0') return "not a whole number (it is empty)";
    const char* p = text + (*text == '+' || *text == '-' ? 1 : 0);
    if (*p == '\0') return "not a whole number";
    for (; *p != '\0'; ++p)
        if (*p < '0' || *p > '9') return "not a whole number";
    return numberLimitText();
}

bool isSystemPath(const std::string& path) {
    auto inside = [](const std::string& p) {
        for (const char* top : {"/dev", "/proc"}) {
            const std::string t = top;
            if (p == t || p.rfind(t + "/", 0) == 0) return true;
        }
        return false;
    };
    if (inside(path)) return true;
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return inside(buf);
    // Not there yet: where its directory leads.
    const std::size_t sep = path.rfind('/');
    const std::string dir = sep == std::string::npos ? "." : (sep == 0 ? "/" : path.substr(0, sep));
    return ::realpath(dir.c_str(), buf) != nullptr && inside(buf);
}

std::string programDirectory(const std::string& programPath) {
    std::size_t sep = lastSeparator(programPath);
    if (sep == std::string::npos) return executableDirectory();
    if (sep == 0) return "";
    return programPath.substr(0, sep);
}

std::string defaultMatrixPath(const std::string& programDir, const std::string& name,
                              const std::string& dataDir, const std::string& exeShareDir) {
    std::string beside = programDir + "/" + name;
    if (fileExists(beside)) return beside;
    for (const std::string* dir : {&exeShareDir, &dataDir}) {
        if (dir->empty()) continue;
        std::string installed = *dir + "/" + name;
        if (fileExists(installed)) return installed;
    }
    return beside;
}

std::string executableShareDirectory() {
    std::string dir = executableDirectory();
    return dir.empty() ? dir : dir + "/../share/torva";
}

CommandLine::CommandLine(int& argc, char** argv) {
    OptionParse parse;
    parse.programPath = (argc > 0 && argv[0] != nullptr) ? argv[0] : "";
    parse.name = programName(parse.programPath);
    if (argc <= 1) {
        printHelp(std::cerr, parse.programPath);
        throw RunStop{1};
    }
    parseOptions(argc, argv, parse);
    if (optind < argc) {
        // Everything after the first argument that is not an option would
        // otherwise be dropped without a word, options included.
        const std::string extra = argv[optind];
        std::string text = parse.name + ": unexpected argument '" + extra + "'";
        if (inSeqFile.empty()) text += ": the input file is given with -I, as in: " + parse.name + " -I " + extra;
        stopWith(text);
    }
    argc -= optind;
    checkStandardOutput(parse.name);
    checkInputGiven(parse.name);
    fillFileDefaults(parse.programPath, parse.name);
}

void CommandLine::parseOptions(int argc, char** argv, OptionParse& parse) {
    // getopt names the program by argv[0] in its own messages; they begin
    // with the name as the others do, not with the whole path.
    struct ShownName {
        char** argv;
        char* path;
        std::string name;
        ShownName(char** a, const std::string& n) : argv(a), path(a[0]), name(n) { argv[0] = name.data(); }
        ~ShownName() { argv[0] = path; }
    } shown(argv, parse.name);
    // optind = 0 makes glibc's getopt start afresh, so that the arguments can
    // be parsed more than once in one process; '+' keeps POSIX ordering
    // (parsing stops at the first argument that is not an option).
    optind = 0;
    const std::vector<option>& options = longOptions();
    for (;;) {
        int longIndex = -1;
        const int option = getopt_long(argc, argv, "+I:S:O:G:A:T:C:t:qPLVvHh", options.data(), &longIndex);
        if (option == -1) break;
        parse.spelling = longIndex >= 0 ? std::string("--") + options[static_cast<std::size_t>(longIndex)].name
                                        : std::string("-") + static_cast<char>(option);
        if (!takeLongOnly(option, parse) && !takeValue(option, parse)) takeSwitch(option, parse);
    }
}

// The options that have only a long name; false for any other.
bool CommandLine::takeLongOnly(int option, const OptionParse& parse) {
    switch (option) {
        case kPafOption: pafFile = optarg; return true;
        case kPlotOption: plotDir = optarg; return true;
        case kViewOption: viewFile = optarg; return true;
        case kReportOption: reportFile = optarg; return true;
        case kMafOption: mafFile = optarg; return true;
        case kStrandOption:
            strand = optarg;
            if (strand != "plus" && strand != "minus" && strand != "both")
                stopWith(parse.name + ": " + parse.spelling + " " + optarg + ": plus, minus or both");
            return true;
        case kFirstPairOption: {
            char* end = nullptr;
            errno = 0;
            const long long value = std::strtoll(optarg, &end, 10);
            if (optarg[0] < '0' || optarg[0] > '9' || *end != '\0' || errno != 0 || value < 1 ||
                value > (1LL << 40))
                stopWith(parse.name + ": " + parse.spelling + " " + optarg + ": a whole number from 1");
            firstPair = static_cast<long>(value);
            return true;
        }
        default: return false;
    }
}

// The letters that take a value; false for any other.
bool CommandLine::takeValue(int option, const OptionParse& parse) {
    switch (option) {
        case 'I':
            // "-" alone stands for standard input.
            inSeqFile = optarg != nullptr && std::string(optarg) == "-" ? "-" : parse.checkedValue(option);
            return true;
        case 'S': matrixFile = parse.checkedValue(option); return true;
        case 'O': outFile = parse.checkedValue(option); return true;
        case 'G': gapOpen = parse.numberValue(option, optarg); return true;
        case 'A': gapExt = parse.numberValue(option, optarg); return true;
        case 'T': scoreFactor = std::abs(parse.numberValue(option, parse.checkedValue(option))); return true;
        case 'C': cutLen = std::abs(parse.numberValue(option, parse.checkedValue(option))); return true;
        case 't':
            threads = parse.numberValue(option, parse.checkedValue(option));
            if (threads < 1 || threads > RunLimits::kMaxThreads)
                parse.invalidValue(option, "from 1 to " + std::to_string(RunLimits::kMaxThreads));
            return true;
        default: return false;
    }
}

// The switches, and the options that end the parse with a text.
void CommandLine::takeSwitch(int option, const OptionParse& parse) {
    switch (option) {
        case 'q': quiet = true; return;
        case 'P': isProtein = true; return;
        case 'L': localOnly = true; return;
        case 'H':
            printUsage(std::cout, parse.programPath);
            throw RunStop{0};
        case 'h':
            printHelp(std::cout, parse.programPath);
            throw RunStop{0};
        case 'V':
        case 'v':
            printVersion(std::cout, parse.programPath);
            throw RunStop{0};
        default:  // '?': getopt has printed its diagnostic
            stopWith(parse.name + ": '" + parse.name + " --help' lists the options");
    }
}

// At most one format on standard output: two interleaved on one stream would
// be of no use to either reader. With one there, messages go to standard
// error, so that the data stay data.
void CommandLine::checkStandardOutput(const std::string& name) const {
    int onStandardOutput = 0;
    std::string named;
    for (const auto& [file, option] : {std::pair{&pafFile, "--paf -"}, {&viewFile, "--view -"}, {&mafFile, "--maf -"}}) {
        if (*file != "-") continue;
        ++onStandardOutput;
        named += (named.empty() ? "" : " and ") + std::string(option);
    }
    if (onStandardOutput > 1)
        stopWith(name + ": " + named +
                 (onStandardOutput == 2 ? " would both write to standard output: give one a file"
                                        : " would all write to standard output: give all but one a file"));
    MessageSink::setDataOnStandardOutput(onStandardOutput > 0);
}

void CommandLine::checkInputGiven(const std::string& name) const {
    if (!inSeqFile.empty()) return;
    MessageSink::emit(verbatimOutLine("Please specify input sequence file!\n"));
    stopWith(name + ": the input is given with -I FILE (or --input FILE); '" + name + " --help' lists the options");
}

void CommandLine::fillFileDefaults(const std::string& programPath, const std::string& name) {
    if (outFile.empty()) {
        if (inSeqFile == "-")
            stopWith(name + ": standard input (-I -) has no file name to put the outputs beside: give one with -O");
        // A pipe or a device (/dev/stdin, a process substitution) has no
        // directory to write beside either, whatever it leads to.
        struct stat st;
        if ((::stat(inSeqFile.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) ||
            isSystemPath(inSeqFile))
            stopWith(name + ": " + inSeqFile + " is not a regular file, so the outputs have no place beside it: give one with -O");
        outFile = inSeqFile + ".DAZAZ";
    }
    if (matrixFile.empty())
        matrixFile = defaultMatrixPath(programDirectory(programPath), presetFor(isProtein).matrixFile,
                                       TORVA_DATA_DIR, executableShareDirectory());
}
