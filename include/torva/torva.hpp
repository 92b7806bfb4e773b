#pragma once

// The TORVA library: anchored pairwise alignment of DNA or protein sequences,
// the same alignments the torva and torva-b programs write, as values.
//
// Nothing here writes to standard output or standard error or ends the
// process. Errors are exceptions:
//   std::invalid_argument   bad options, matrices or sequences
//   torva::FileError        a matrix file that cannot be read
//   torva::OutOfMemoryError a pair whose buffers do not fit in memory
//   torva::Stopped          the caller's stop flag was raised (Options::stop)
// Every function may be called from several threads at once.

#include <atomic>
#include <cstddef>
#include <exception>
#include <istream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(TORVA_STATIC_DEFINE) || !defined(__GNUC__)
#define TORVA_API
#else
#define TORVA_API __attribute__((visibility("default")))
#endif

namespace torva {

// The library's version, "MAJOR.MINOR.PATCH".
TORVA_API const char* version();

// A file that could not be opened or read.
class TORVA_API FileError : public std::runtime_error {
public:
    FileError(const std::string& message, std::string path, int errorNumber)
        : std::runtime_error(message), path_(std::move(path)), errorNumber_(errorNumber) {}
    const std::string& path() const { return path_; }
    // The errno of the failed call (0 when there was none).
    int errorNumber() const { return errorNumber_; }

private:
    std::string path_;
    int errorNumber_;
};

// A pair whose work buffers would not fit in the memory still available.
class TORVA_API OutOfMemoryError : public std::runtime_error {
public:
    OutOfMemoryError(const std::string& message, unsigned long long bytesNeeded,
                     unsigned long long bytesAvailable = 0)
        : std::runtime_error(message), bytesNeeded_(bytesNeeded), bytesAvailable_(bytesAvailable) {}
    // The buffer that did not fit; 0 when the size was not known.
    unsigned long long bytesNeeded() const { return bytesNeeded_; }
    // What the memory budget still held when it did not fit.
    unsigned long long bytesAvailable() const { return bytesAvailable_; }

private:
    unsigned long long bytesNeeded_;
    unsigned long long bytesAvailable_;
};

// The call gave up its work because the caller raised Options::stop.
class TORVA_API Stopped : public std::runtime_error {
public:
    Stopped() : std::runtime_error("stopped on the caller's request") {}
};

// A substitution-score matrix. Letters are case-insensitive; a residue that
// is not in the matrix scores 0 against everything. Copies share one
// immutable table, so a Matrix is cheap to pass around and to share between
// threads.
class TORVA_API Matrix {
public:
    // The matrix-file format of the programs (see README.md).
    // @param path  the matrix file
    // @throws FileError when the file cannot be read
    // @throws std::invalid_argument when it does not parse
    static Matrix fromFile(const std::string& path);
    // @param text  the contents of a matrix file
    // @throws std::invalid_argument when it does not parse
    static Matrix fromText(std::string_view text);
    // Built-in defaults: HOXD70 over a c g t, and BLOSUM62 over 24 letters.
    static Matrix dna();
    static Matrix protein();
    // A matrix shipped with the library, by name (any case): the ones
    // names() lists, e.g. "BLOSUM62", "PAM250", "HOXD70". Throws
    // std::invalid_argument, listing the names, for any other.
    static Matrix named(std::string_view name);
    static std::vector<std::string> names();

    // @param letters  labels of the rows and columns: distinct ignoring case, not blank
    // @param scores   the square table, row-major: scores[r * n + c] scores
    //                 letters[r] against letters[c]; each within +-1,000,000
    // @param title    what the matrix is called
    // @throws std::invalid_argument for letters or scores outside those rules
    Matrix(std::string_view letters, const std::vector<int>& scores, std::string title = "");

    // The distinct letters, lower case, in ascending order.
    const std::string& letters() const;
    const std::string& title() const;
    // @param a, b  two residues, either case
    // @return their score; 0 when either is not in the matrix
    int score(char a, char b) const;
    // More than 20 letters switch on the protein defaults, as with -P.
    bool isProtein() const;

    struct Impl;
    const Impl& impl() const { return *impl_; }

private:
    explicit Matrix(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}
    std::shared_ptr<const Impl> impl_;
};

// How an anchor whose two rows both hold at least three gaps is re-aligned:
// in windows around its gaps (torva) or as a whole (torva-b).
enum class Variant { torva, torvaB };

// The strand of sequence 2 a pair is aligned on (DNA only): as given, its
// reverse complement, or both, keeping the better (plus on a tie).
enum class Strand { plus, minus, both };

// Every unset value takes the programs' default for the mode, defaults(mode).
// The mode is protein when `protein` is set or the matrix has more than 20
// letters.
struct Options {
    std::optional<Matrix> matrix;   // default: Matrix::dna(), or Matrix::protein() with `protein`
    std::optional<int> gapOpen;     // -G; the sign is ignored
    std::optional<int> gapExtend;   // -A; the sign is ignored
    int factor = 10;                // -T, the same in both modes: at least 0; values
                                    // below limits().minFactor count as that
    std::optional<int> minLength;   // -C
    bool protein = false;           // -P
    Variant variant = Variant::torva;
    // alignMany's workers; 0: the cores this process may use (its affinity
    // and cgroup quota), as the programs count them. More than
    // limits().maxThreads: std::invalid_argument.
    unsigned threads = 0;
    // The most memory in bytes a call's work buffers may take; 0: what the
    // programs allow themselves (the least of the machine's available
    // memory, the cgroup limit and ulimit -v). A call never goes past that.
    unsigned long long memoryLimit = 0;
    // When given, the call reads this flag about every millisecond of work
    // (once a row of each fill, on every thread it uses) and, once it holds
    // true, gives up and throws Stopped. Another thread or a signal handler
    // sets it; the caller keeps it alive for the whole call.
    const std::atomic<bool>* stop = nullptr;
    // Strand::minus or both need DNA: std::invalid_argument with protein.
    Strand strand = Strand::plus;
};

// The programs' defaults for one kind of sequence: what Options left unset
// take in that mode.
struct Defaults {
    int gapOpen = 0;    // -G, a cost (its sign is ignored where one is given)
    int gapExtend = 0;  // -A
    int factor = 0;     // -T; Options::factor holds it for both modes
    int minLength = 0;  // -C
};

// @param protein  true for the protein mode, false for DNA
// @return the defaults of that mode
TORVA_API Defaults defaults(bool protein);

// The bounds the programs hold their options to.
struct Limits {
    int minFactor = 0;         // a smaller Options::factor counts as this
    unsigned maxThreads = 0;   // the most threads -t takes
    int maxAbsValue = 0;       // the largest gap cost, factor or length, either sign
};

TORVA_API Limits limits();

// A local alignment the global alignment was built on.
struct Anchor {
    // The span on the sequences as given: 0-based, end exclusive.
    long long begin1 = 0, end1 = 0, begin2 = 0, end2 = 0;
    int score = 0;
    // Its aligned rows, lower case with '-' for gaps; a run of the mask
    // character ('n' for DNA, '*' for protein) stands as one character here.
    std::string row1, row2;
    // Whether the programs' ".loc" listing shows it (it covers at least 10
    // positions of sequence 1).
    bool listed = false;
    // Whether the global alignment was built on it; false for the anchors of
    // a pair whose best local score did not beat the cutoff (anchorScore 0),
    // which the listing still shows, and for every anchor of listLocal().
    bool used = false;
};

struct Result {
    // The global alignment: lower case, '-' for gaps, mask runs restored.
    std::string row1, row2;
    int score = 0;        // of the global alignment
    int anchorScore = 0;  // the sum of the anchors it used (0 when none beat the cutoff)
    std::vector<Anchor> anchors;
    // The columns of the rows, run-length coded: '=' equal residues, 'X'
    // different ones, 'I' a residue of sequence 1 against a gap, 'D' a
    // residue of sequence 2 against a gap. Example: "12=1X3I40=".
    std::string cigar;
    // Warnings the programs would print for this pair.
    std::vector<std::string> warnings;
    // plus, or minus when sequence 2 was aligned reverse-complemented: row2,
    // the anchors and their positions are then those of its reverse complement.
    Strand strand = Strand::plus;
};

// The anchors alone, as `-L` lists them.
struct Listing {
    int anchorScore = 0;
    std::vector<Anchor> anchors;
    std::vector<std::string> warnings;
};

// The anchored global alignment of two sequences.
// @param seq1, seq2  the sequences (any letters, either case)
// @param options     values left unset take the programs' defaults
// @return the rows, scores, anchors, cigar and warnings of the pair
// @throws std::invalid_argument for bad options, or a pair whose scores
//         could pass the 32-bit range with these scores and gap costs
// @throws OutOfMemoryError when its buffers do not fit in the memory allowed
// @throws Stopped when options.stop was raised
TORVA_API Result align(std::string_view seq1, std::string_view seq2, const Options& options = {});

// The anchors alone, as `-L` lists them.
// @param seq1, seq2  the sequences
// @param options     as for align()
// @throws as align()
TORVA_API Listing listLocal(std::string_view seq1, std::string_view seq2,
                            const Options& options = {});

// Aligns every pair as the programs do: small pairs side by side, one thread
// each; a large pair alone with every thread on its fills; a pair that does
// not fit beside the others waits and is tried again alone.
// @param pairs    (seq1, seq2) pairs
// @param options  as for align(); options.threads workers, options.memoryLimit
//                 for all pairs together
// @return one Result per pair, in input order; the same for any thread count
// @throws as align(), for the first failing pair in input order, once the
//         pairs in progress are done
TORVA_API std::vector<Result> alignMany(
    const std::vector<std::pair<std::string, std::string>>& pairs, const Options& options = {});

// One pair's share of alignEach(): its Result, or the exception align()
// would have thrown for it.
struct PairOutcome {
    std::optional<Result> result;
    std::exception_ptr error;  // set when `result` is empty
};

// As alignMany(), but every pair is aligned whatever the others do, and each
// comes back with its own result or error: a caller can keep the results of
// a batch that holds a pair too large, without aligning the others again.
// @return one PairOutcome per pair, in input order
// @throws std::invalid_argument for bad options
TORVA_API std::vector<PairOutcome> alignEach(
    const std::vector<std::pair<std::string, std::string>>& pairs, const Options& options = {});

// The reverse complement of a DNA sequence, as --strand minus aligns it:
// IUPAC codes complemented, U read as T, case kept, other characters kept.
TORVA_API std::string reverseComplement(std::string_view sequence);

// The cigar string of two aligned rows, as the programs' PAF files have it:
// residues compared ignoring case, a column of two gaps left out.
// @param row1, row2  aligned rows of equal length, '-' for a gap
// @throws std::invalid_argument when their lengths differ
TORVA_API std::string cigar(std::string_view row1, std::string_view row2);

// ---- Names, files and texts as the programs give them ----------------------

// The largest magnitude the programs take for a score or an option value
// (-G, -A, -T, -C, matrix entries): +-1,000,000.
inline constexpr int kMaxValue = 1000000;

// The built-in matrix of that name (any case) when there is one: what
// Matrix::named() gives, without an exception for other names (a caller that
// takes a name or a path, as -S does, tries the name first).
TORVA_API std::optional<Matrix> findMatrix(std::string_view name);

// A name as the single-word name columns of PAF and MAF take it: up to its
// first blank or tab, "*" when that is empty.
TORVA_API std::string nameWord(std::string_view name);

// The number of cores this process may use (its affinity and cgroup quota):
// what Options::threads = 0 means.
TORVA_API unsigned usableCores();

// The warnings the programs give about a sequence they read, for one that
// comes from elsewhere: an empty one; digits, blanks or line ends (a pasted
// GenBank block); letters the matrix of `options` has no row for.
// @param subject  how the warnings name the sequence ("seq1")
// @return one text per warning, each beginning with `subject`
// @throws std::invalid_argument for bad options
TORVA_API std::vector<std::string> sequenceWarnings(std::string_view subject, std::string_view sequence,
                                                    const Options& options = {});

// A FASTA record as the programs read it.
struct FastaRecord {
    // The name the programs give it in every output: the header up to its
    // first '|' (a header that begins with a database tag, "sp|P69905|HBA_HUMAN
    // ...", is named by its first word).
    std::string name;
    std::string header;    // the whole header line after '>'
    std::string sequence;  // its lines joined
    long long number = 0;  // counted from 1 in the file
};

// Two records the programs align together (records 1 and 2, 3 and 4, ...),
// with the warnings they print about them.
struct FastaPair {
    FastaRecord first, second;
    // Letters the matrix has no row for: "warning: record 3 (NAME) has ...".
    std::vector<std::string> warnings;
};

// The records of a FASTA file, plain or gzip, read on demand in file order by
// the programs' reader. Text before the first '>' is skipped; an input in
// which no line begins with '>' (FASTQ, binary data) is refused.
class TORVA_API FastaFile {
public:
    // @param path  a plain or gzip file ("-": standard input)
    // @throws FileError when it cannot be opened (a directory, say)
    // @throws std::invalid_argument when it is no FASTA
    explicit FastaFile(const std::string& path);
    // @param stream  read to its end (not rewound); gzip data are not
    //                recognised here
    // @param name    names the input in messages
    // @throws std::invalid_argument when it is no FASTA
    FastaFile(std::unique_ptr<std::istream> stream, const std::string& name);
    FastaFile(FastaFile&&) noexcept;
    FastaFile& operator=(FastaFile&&) noexcept;
    ~FastaFile();

    // Up to `count` further records; fewer (none) at the end.
    // @throws std::invalid_argument for damaged input (a NUL byte, broken
    //         gzip data), naming the record
    std::vector<FastaRecord> readRecords(std::size_t count);
    // Up to `count` further pairs; fewer at the end. A last record without a
    // partner is left out, with a warning for it in takeWarnings().
    // @param options  whose matrix the letters are checked against
    // @throws as readRecords(), and std::invalid_argument for bad options
    std::vector<FastaPair> readPairs(std::size_t count, const Options& options = {});
    // The warnings about what was read since the last call, in file order,
    // as the programs print them: an empty header; at the end, a record
    // without a partner ("warning: record 5 (NAME) has no partner and is not
    // aligned"); data after the end of gzip data.
    std::vector<std::string> takeWarnings();
    // Records begun so far.
    long long recordsRead() const;

private:
    struct Reader;
    std::unique_ptr<Reader> reader_;
};

// Where the global rows of a Result align residue against residue: from the
// first to the last column in which both rows hold a residue. These are the
// columns of the programs' PAF line, on the rows as they stand (with
// Strand::minus, on the reverse complement of sequence 2; the PAF line then
// gives the forward strand, see pafLine()).
struct AlignedSpan {
    // 0-based, end exclusive; all 0 when no column pairs two residues.
    long long begin1 = 0, end1 = 0, begin2 = 0, end2 = 0;
    long long matches = 0;  // identical residues (any case): PAF column 10
    long long columns = 0;  // columns, gaps included: PAF column 11
    // The span's columns of the rows: [firstColumn, lastColumn).
    std::size_t firstColumn = 0, lastColumn = 0;
    std::string cigar;      // those columns, as cigar() codes them
};
// @throws std::invalid_argument when the rows differ in length
TORVA_API AlignedSpan alignedSpan(const Result& result);

// The programs' PAF line for a Result (line end included): sequence 1 the
// query, sequence 2 the target, each named by nameWord().
// @param name1, name2  the sequences' names (FastaRecord::name)
// @throws std::invalid_argument when the rows differ in length
TORVA_API std::string pafLine(const Result& result, const std::string& name1 = "seq1",
                              const std::string& name2 = "seq2");

// How view() labels the lines of its blocks.
enum class ViewLabels {
    // As wide as the names and the numbers need; a block whose segment holds
    // only gaps shows the next position and then the previous one.
    fitted,
    // As the programs' --view files: name and start fill 21 characters, a
    // segment of gaps shows the position of the residue before it twice.
    programs,
};

// The global alignment of a Result as a person reads it, in blocks of at
// most `width` columns, each three lines and a blank one:
//
//   NAME1  START SEGMENT END
//                |||:.| |
//   NAME2  START SEGMENT END
//
// The middle line marks identical residues '|', pairs the matrix scores above
// 0 ':', other residue pairs '.', and a gap ' '. START and END are the 1-based
// positions of the segment's first and last residue; with Strand::minus
// sequence 2 is numbered down its forward strand. Names are cut at their first
// blank (and to fit). With ViewLabels::programs these are byte for byte the
// blocks of the programs' --view file.
// @param matrix  the matrix the pair was aligned with (for the ':' marks)
// @param width   columns a block (0 counts as 1)
// @throws std::invalid_argument when the rows differ in length
TORVA_API std::string view(const Result& result, const Matrix& matrix, const std::string& name1 = "seq1",
                           const std::string& name2 = "seq2", std::size_t width = 60,
                           ViewLabels labels = ViewLabels::fitted);

}  // namespace torva
