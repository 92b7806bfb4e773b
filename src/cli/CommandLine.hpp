#pragma once

#include <optional>
#include <ostream>
#include <string>

class OptionParse;

// The option record. The constructor parses the process arguments with POSIX
// getopt_long ("I:S:O:G:A:T:C:t:qPLVvHh"; every letter with a value or a
// switch also has a long name, see kLongNames in the source, plus --paf,
// --plot, --view, --report, --first-pair, --strand and --maf), checks that
// they make a run, and fills in the file defaults; resolveParameters decides
// the alignment values. Where it stops the run it throws RunStop: status 0
// after the help (-h/--help), usage (-H) or version (-V/-v) text, status 1
// after an error.
class CommandLine {
public:
    std::string inSeqFile;   // -I, required
    std::string matrixFile;  // -S, default: the mode's matrix file, beside the program
    std::string outFile;     // -O, default: inSeqFile + ".DAZAZ"
    // The numbers left unset take the defaults of the mode (DNA or protein),
    // which is known only once the matrix is read.
    std::optional<int> gapOpen;      // -G, as given (its sign is dropped later)
    std::optional<int> gapExt;       // -A, as given
    std::optional<int> scoreFactor;  // -T, without its sign (the floor is applied later)
    std::optional<int> cutLen;       // -C, without its sign
    bool isProtein = false;  // -P
    bool localOnly = false;  // -L
    int threads = 0;         // -t, 0: the cores this process may use
    bool quiet = false;      // -q: no progress line
    std::string pafFile;     // --paf: a PAF record per pair ("-": standard output)
    std::string plotDir;     // --plot: an SVG picture per pair in this directory
    std::string viewFile;    // --view: a readable view of each pair ("-": standard output)
    std::string mafFile;     // --maf: a MAF block per pair ("-": standard output)
    std::string reportFile;  // --report: one HTML page for the run
    long firstPair = 1;      // --first-pair: the number of the first pair (a chunk of a larger input)
    std::string strand;      // --strand: "plus", "minus" or "both"; empty when not given

    // On return argc has been reduced by the index of the first argument not
    // consumed as an option.
    CommandLine(int& argc, char** argv);

private:
    void parseOptions(int argc, char** argv, OptionParse& parse);
    bool takeLongOnly(int option, const OptionParse& parse);
    bool takeValue(int option, const OptionParse& parse);
    void takeSwitch(int option, const OptionParse& parse);
    void checkStandardOutput(const std::string& name) const;
    void checkInputGiven(const std::string& name) const;
    void fillFileDefaults(const std::string& programPath, const std::string& name);
};

// The short usage text of -H, unchanged since the first release: scripts
// may look for its lines.
void printUsage(std::ostream& out, const std::string& programPath);

// The help of -h and --help (and of an empty command line, on standard
// error): every option in both forms with its DNA and protein defaults.
void printHelp(std::ostream& out, const std::string& programPath);

// The last component of the program path ("torva" when empty).
std::string programName(const std::string& programPath);

// "NAME VERSION", NAME being the last component of the program path.
void printVersion(std::ostream& out, const std::string& programPath);

// Parses a whole decimal number with an optional sign and an absolute value
// of at most 1,000,000. Returns false for anything else (empty, "12x", ...).
bool parseOptionNumber(const char* text, int& value);

// Why parseOptionNumber refused `text`, as said to the user: "not a whole
// number" or "at most 1,000,000 either way".
std::string optionNumberProblem(const char* text);

// True for a path inside /dev or /proc, as written or once links are resolved.
bool isSystemPath(const std::string& path);

// The directory of the program as invoked: everything before the last '/' or
// '\\' of its path; "" when the last separator is the first character. A path
// without any separator (found through PATH) gives the directory of the
// running executable.
std::string programDirectory(const std::string& programPath);

// The default matrix path: programDir + "/" + name when that file exists,
// otherwise exeShareDir + "/" + name, then dataDir + "/" + name, when that one
// exists, otherwise the first. exeShareDir is share/torva beside the
// executable's bin directory (executableShareDirectory()), so that a
// relocated installation finds its own matrices.
std::string defaultMatrixPath(const std::string& programDir, const std::string& name,
                              const std::string& dataDir, const std::string& exeShareDir = "");

// "<directory of the running executable>/../share/torva", or "" when the
// executable cannot be located.
std::string executableShareDirectory();
