#pragma once

#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/Message.hpp"
#include "input/InputStream.hpp"

// Reads FASTA records one after another, on demand, strictly in file order.
// A record is a '>', the header (rest of that line) and the sequence (the
// following lines up to the next line beginning with '>', joined). Text
// before the first '>' is skipped. One '\r' ending a line is dropped.
//
// An input in which no line begins with '>' is refused when it is constructed
// (InputError naming the file and saying what it looks like: FASTQ, binary or
// compressed data, or text without records); an empty or all-blank input
// gives no records. A NUL byte anywhere (binary data) is an InputError, raised
// as soon as it is read (on a pipe too, and in data without line ends), that
// names the record it is in.
class FastaReader {
public:
    std::string fileName;
    std::unique_ptr<std::istream> in;

    // Reads `in`, named `fileName` in messages. Throws InputError.
    FastaReader(std::unique_ptr<std::istream> in, std::string fileName);

    // Opens `path` ("-": standard input; gzip data are read decompressed).
    // Throws InputError: "the file: PATH can not be opened: REASON", or the
    // refusal above.
    static FastaReader open(const std::string& path);
    // The same on an input already opened (its stream not null), so that a
    // caller can word the failure to open itself; `name` names it.
    static FastaReader open(OpenedInput opened, std::string name);

    // Reads up to n further records, appending headers to `names` and
    // sequences to `seqs`; returns the number appended (0 ... n). Damaged gzip
    // data throw InputError.
    int readRecords(std::vector<std::string>& names, std::vector<std::string>& seqs, int n);

    // Records started so far (every '>' consumed as a record start).
    long recordsStarted() const { return records_; }

    // Warnings about the records read so far (an empty header), handed over
    // once: the caller prints them with the pair they belong to.
    Messages takeNotes() { return std::exchange(notes_, {}); }

    // Records are numbered in messages from `first` (a chunk of a larger
    // input); the newer warnings begin with `prefix` ("torva: ").
    void numberFrom(long first, std::string prefix) {
        firstNumber_ = first;
        prefix_ = std::move(prefix);
    }

    // A warning the input stream raised while it was read (bytes after the
    // end of gzip data), "" when none.
    std::string streamWarning() const { return streamNote_ ? *streamNote_ : std::string(); }

private:
    struct Record {
        std::string header, seq;
        bool numbersOrSpaces = false;
    };
    void readFirstRecordStart();
    Record readRecord();
    void takeRecord(Record record, std::vector<std::string>& names, std::vector<std::string>& seqs);

    long records_ = 0;
    long firstNumber_ = 1;
    std::string prefix_;
    std::shared_ptr<std::string> streamNote_;
    Messages notes_;
    bool startConsumed_ = false;    // the next record's '>' has been read already
    std::optional<Record> first_;   // read ahead to see whether a line begins with '>'
    std::string line_;              // kept from line to line and record to record
};

// What makes a sequence line look like a pasted GenBank block (position
// numbers and groups of ten): the programs and Python warn about it.
inline bool isDigitOrBlank(char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '\t'; }

// The name a record's results carry, in every output and in Python. A header
// that begins with a sequence database's tag and '|' (UniProt's
// "sp|P69905|HBA_HUMAN ...", NCBI's "gi|4504349|ref|NP_000509.1| ...") is
// named by its first word, as other tools name it: cut at its first '|', all
// of a file's records would share the tag as their name. Any other header is
// cut at its first '|', as it always was, so that the names stored from such
// inputs stay as they are.
std::string cutName(const std::string& header);

// Whether `word` is such a tag ("sp", "tr", "gi", "ref", "gb", ...; any case).
bool isDatabaseTag(std::string_view word);
