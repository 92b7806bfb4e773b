#include "cli/CommandLine.hpp"

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"
#include "scoring/ValueLimits.hpp"

#ifndef TORVA_VERSION
#define TORVA_VERSION "unknown"
#endif
#ifndef TORVA_DATA_DIR
#define TORVA_DATA_DIR "/usr/local/share/torva"
#endif

namespace {

constexpr long kMaxOptionValue = kMaxAbsValue;
constexpr int kMaxThreads = 256;
// Codes of the options that have only a long name.
constexpr int kPafOption = 1001;
constexpr int kPlotOption = 1002;
constexpr int kViewOption = 1003;
constexpr int kReportOption = 1004;

[[noreturn]] void invalidValue(int option) {
    std::fprintf(stderr, "Invalid value for option '-%c'\n\n", option);
    std::fflush(stderr);
    throw RunStop{1};
}

// The value check of -I, -S, -O, -T and -C: a value must not begin with '-'.
const char* checkedValue(int option) {
    if (optarg == nullptr || optarg[0] == '-') invalidValue(option);
    return optarg;
}

int numberValue(int option, const char* text) {
    int value = 0;
    if (!parseOptionNumber(text, value)) invalidValue(option);
    return value;
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

}  // namespace

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
    const std::string programPath = (argc > 0 && argv[0] != nullptr) ? argv[0] : "";
    if (argc <= 1) {
        printUsage(std::cout, programPath);
        throw RunStop{1};
    }

    // optind = 0 makes glibc's getopt start afresh, so that the arguments can
    // be parsed more than once in one process; '+' keeps POSIX ordering
    // (parsing stops at the first argument that is not an option).
    optind = 0;
    static const option kLongOptions[] = {{"help", no_argument, nullptr, 'H'},
                                          {"version", no_argument, nullptr, 'V'},
                                          {"paf", required_argument, nullptr, kPafOption},
                                          {"plot", required_argument, nullptr, kPlotOption},
                                          {"view", required_argument, nullptr, kViewOption},
                                          {"report", required_argument, nullptr, kReportOption},
                                          {nullptr, 0, nullptr, 0}};
    for (;;) {
        int option = getopt_long(argc, argv, "+I:S:O:G:A:T:C:t:qPLVvHh", kLongOptions, nullptr);
        if (option == -1) break;
        switch (option) {
            case 'I':
                // "-" alone stands for standard input.
                inSeqFile = optarg != nullptr && std::string(optarg) == "-" ? "-" : checkedValue(option);
                break;
            case kPafOption:
                pafFile = optarg;
                break;
            case kPlotOption:
                plotDir = optarg;
                break;
            case kViewOption:
                viewFile = optarg;
                break;
            case kReportOption:
                reportFile = optarg;
                break;
            case 'S':
                matrixFile = checkedValue(option);
                break;
            case 'O':
                outFile = checkedValue(option);
                break;
            case 'G':
                gapOpen = numberValue(option, optarg);
                gapOpenGiven = 1;
                break;
            case 'A':
                gapExt = numberValue(option, optarg);
                gapExtGiven = 1;
                break;
            case 'T': {
                int value = std::abs(numberValue(option, checkedValue(option)));
                scoreFactor = value < 6 ? 6 : value;
                break;
            }
            case 'C':
                cutLen = std::abs(numberValue(option, checkedValue(option)));
                cutLenGiven = 1;
                break;
            case 't':
                threads = numberValue(option, checkedValue(option));
                // More threads than this are a typo, and each costs a stack.
                if (threads < 1 || threads > kMaxThreads) invalidValue(option);
                break;
            case 'q':
                quiet = 1;
                break;
            case 'P':
                isProtein = 1;
                break;
            case 'L':
                localOnly = 1;
                break;
            case 'H':
            case 'h':
                printUsage(std::cout, programPath);
                throw RunStop{0};
            case 'V':
            case 'v':
                printVersion(std::cout, programPath);
                throw RunStop{0};
            default:  // '?': getopt has printed its diagnostic
                throw RunStop{1};
        }
    }
    const std::string name = programName(programPath);
    if (optind < argc) {
        // Everything after the first argument that is not an option would
        // otherwise be dropped without a word, options included.
        const std::string extra = argv[optind];
        std::string text = name + ": unexpected argument '" + extra + "'";
        if (inSeqFile.empty()) text += ": the input file is given with -I, as in: " + name + " -I " + extra;
        MessageSink::err(text);
        throw RunStop{1};
    }
    argc -= optind;
    if (pafFile == "-" && viewFile == "-") {
        // Two formats interleaved on one stream would be of no use to either reader.
        MessageSink::err(name + ": --paf - and --view - would both write to standard output: give one a file");
        throw RunStop{1};
    }

    if (inSeqFile.empty()) {
        std::cout << "Please specify input sequence file!\n\n" << std::flush;
        throw RunStop{1};
    }
    if (outFile.empty()) {
        if (inSeqFile == "-") {
            MessageSink::err(name + ": standard input (-I -) has no file name to put the outputs beside: give one with -O");
            throw RunStop{1};
        }
        // A pipe or a device (/dev/stdin, a process substitution) has no
        // directory to write beside either.
        struct stat st;
        if (::stat(inSeqFile.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
            MessageSink::err(name + ": " + inSeqFile + " is not a regular file, so the outputs have no place beside it: give one with -O");
            throw RunStop{1};
        }
        outFile = inSeqFile + ".DAZAZ";
    }
    if (matrixFile.empty()) {
        matrixFile = defaultMatrixPath(programDirectory(programPath),
                                       isProtein ? "BLOSUM" : "dnaMatrix", TORVA_DATA_DIR,
                                       executableShareDirectory());
    }
}
