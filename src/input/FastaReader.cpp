#include "input/FastaReader.hpp"

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// One '\r' directly before the line feed (or ending the file) is dropped.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

// A header as shown in a message: cut at a NUL, control bytes escaped, at
// most 60 characters.
std::string printable(const std::string& text) { return shownName(text.substr(0, text.find('\0'))); }

// Reads one line without its '\n', in pieces, so that binary data without
// line ends (/dev/zero) are refused at their first NUL instead of being read
// whole. False when the stream held no more characters; `nul` is set, and
// the line left cut there, when a NUL came.
bool readLine(std::istream& in, std::string& line, bool& nul) {
    line.clear();
    char piece[1 << 14];
    bool any = false;
    for (;;) {
        in.get(piece, sizeof piece, '\n');
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        if (got > 0) {
            any = true;
            if (const void* at = std::memchr(piece, '\0', got)) {
                nul = true;
                line.append(piece, static_cast<std::size_t>(static_cast<const char*>(at) - piece));
                return true;
            }
            line.append(piece, got);
        }
        if (in.eof()) return any;
        in.clear();  // nothing taken: the line ends here
        const int next = in.peek();
        if (next == '\n') {
            in.ignore();
            return true;
        }
        if (next == std::char_traits<char>::eof()) return any;
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// What an input without records looked like, to tell the user what it is.
struct ContentSeen {
    std::string head;  // the first bytes, for magic numbers
    bool nul = false;
    int firstNonBlank = -1;
    std::string lineStarts;  // first characters of the first three lines from the first non-blank one
    bool atLineStart = true;

    void add(char c) {
        if (head.size() < 8) head += c;
        if (c == '\0') nul = true;
        if (firstNonBlank < 0 && !isBlank(c)) {
            firstNonBlank = static_cast<unsigned char>(c);
            lineStarts += c;
        } else if (firstNonBlank >= 0 && atLineStart && lineStarts.size() < 3) {
            lineStarts += c;
        }
        atLineStart = c == '\n';
    }
    void add(const std::string& text) {
        for (char c : text) add(c);
    }
    // "@name", sequence, "+": a FASTQ record. Its quality line may well begin
    // with '>' (quality 29), so a line beginning with '>' proves nothing.
    bool fastqShaped() const { return lineStarts.size() == 3 && lineStarts[0] == '@' && lineStarts[2] == '+'; }
};

std::string refusal(const std::string& subject, const ContentSeen& seen) {
    static const struct {
        std::string magic;
        const char* what;
    } kFormats[] = {
        {"\x1f\x8b", "is gzip-compressed"},        {"BZh", "is bzip2-compressed"},
        {std::string("\xfd" "7zXZ\0", 6), "is xz-compressed"},
        {"\x28\xb5\x2f\xfd", "is zstd-compressed"}, {"PK\x03\x04", "is a zip archive"},
    };
    for (const auto& format : kFormats) {
        if (seen.head.compare(0, format.magic.size(), format.magic) == 0) {
            return subject + " " + format.what + "; only FASTA text, plain or gzip-compressed, can be read";
        }
    }
    if (seen.nul) return subject + " holds binary data, not FASTA text";
    if (seen.firstNonBlank == '@' || seen.fastqShaped()) {
        return subject + " looks like FASTQ (it begins with '@'); FASTQ is not supported, only FASTA";
    }
    return subject + " has no FASTA record: no line begins with '>'";
}

}  // namespace

FastaReader::FastaReader(std::unique_ptr<std::istream> input, std::string name)
    : fileName(std::move(name)), in(std::move(input)) {
    if (in) readFirstRecordStart();
}

FastaReader FastaReader::open(const std::string& path) {
    OpenedInput opened = openInput(path);
    if (!opened.stream) throw InputError(inputSubject(path) + " can not be opened: " + opened.error);
    return open(std::move(opened), path);
}

FastaReader FastaReader::open(OpenedInput opened, std::string name) {
    // The notice outlives the reading: bytes after the gzip data are only
    // seen at the end, and told after the last pair.
    std::shared_ptr<std::string> notice = opened.notice;
    FastaReader reader(std::move(opened.stream), std::move(name));
    reader.streamNote_ = std::move(notice);
    return reader;
}

// Skips the text before the first '>'. When that '>' does not begin a line,
// it still starts a record, but only if some later line begins with '>';
// otherwise the input is not FASTA and is refused here, before any output.
// Text that begins like a FASTQ record is refused even with such a line.
void FastaReader::readFirstRecordStart() {
    ContentSeen seen;
    bool lineStart = true;
    char c = 'a';
    while (in->get(c) && c != '>') {
        seen.add(c);
        lineStart = c == '\n';
        if (c == '\0') throw InputError(refusal(inputSubject(fileName), seen));
    }
    if (c != '>') {
        if (seen.firstNonBlank >= 0) throw InputError(refusal(inputSubject(fileName), seen));
        return;
    }
    if (seen.fastqShaped() || seen.nul) throw InputError(refusal(inputSubject(fileName), seen));
    if (lineStart) {
        startConsumed_ = true;
        return;
    }
    Record record = readRecord();
    seen.add('>');
    seen.add(record.header);
    seen.add(record.seq);
    if (in->peek() != '>') throw InputError(refusal(inputSubject(fileName), seen));
    first_ = std::move(record);
}

FastaReader::Record FastaReader::readRecord() {
    Record record;
    bool nul = false;
    readLine(*in, record.header, nul);
    dropCarriageReturn(record.header);
    while (!nul) {
        int next = in->peek();
        if (next == std::char_traits<char>::eof() || next == '>') break;
        readLine(*in, line_, nul);
        if (nul) break;
        dropCarriageReturn(line_);
        for (char c : line_) {
            // A pasted GenBank block: position numbers and groups of ten.
            if (isDigitOrBlank(c)) record.numbersOrSpaces = true;
        }
        record.seq += line_;
    }
    if (nul) {
        throw InputError(inputSubject(fileName) + " holds binary data (a NUL byte) in record " +
                         std::to_string(firstNumber_ + records_) + " (" + printable(record.header) +
                         "); only FASTA text can be read");
    }
    return record;
}

void FastaReader::takeRecord(Record record, std::vector<std::string>& names,
                             std::vector<std::string>& seqs) {
    ++records_;
    const std::string number = std::to_string(firstNumber_ - 1 + records_);
    if (record.header.empty()) {
        notes_.push_back(errLine(prefix_ + "warning: record " + number + " has an empty header; it is kept with an empty name"));
    }
    if (record.numbersOrSpaces) {
        notes_.push_back(errLine(prefix_ + "warning: record " + number + " (" + printable(record.header) +
                     ") has digits or spaces in its sequence lines (a pasted GenBank block?); "
                     "they are aligned as residues"));
    }
    if (record.seq.empty()) {
        notes_.push_back(errLine(prefix_ + "warning: record " + number + " (" + printable(record.header) +
                     ") has an empty sequence"));
    }
    names.push_back(std::move(record.header));
    seqs.push_back(std::move(record.seq));
}

int FastaReader::readRecords(std::vector<std::string>& names, std::vector<std::string>& seqs,
                             int n) {
    if (!in) throw std::logic_error("FastaReader::readRecords without an input stream");
    int count = 0;
    if (first_ && count < n) {
        takeRecord(std::move(*first_), names, seqs);
        first_.reset();
        ++count;
    }
    while (count < n && !in->eof()) {
        if (!startConsumed_) {
            // Search for the next record start, character by character.
            char c = 'a';
            while (c != '>' && in->get(c)) {
            }
            if (c != '>') break;  // end of file
        }
        startConsumed_ = false;
        takeRecord(readRecord(), names, seqs);
        ++count;
    }
    return count;
}

bool isDatabaseTag(std::string_view word) {
    // UniProt's two, NCBI's identifiers of the FASTA defline, and ENA's.
    static constexpr std::string_view kTags[] = {
        "sp",  "tr",  "gi",  "ref", "gb",  "emb", "dbj", "pdb", "lcl", "gnl", "pir", "prf",
        "tpg", "tpe", "tpd", "pat", "pgp", "bbs", "bbm", "gim", "gpp", "nat", "ena",
    };
    if (word.empty() || word.size() > 3) return false;
    char lower[3];
    for (std::size_t k = 0; k < word.size(); ++k)
        lower[k] = word[k] >= 'A' && word[k] <= 'Z' ? static_cast<char>(word[k] - 'A' + 'a') : word[k];
    const std::string_view folded(lower, word.size());
    for (std::string_view tag : kTags)
        if (folded == tag) return true;
    return false;
}

std::string cutName(const std::string& header) {
    const std::size_t bar = header.find('|');
    if (bar != std::string::npos && isDatabaseTag(std::string_view(header).substr(0, bar)))
        return header.substr(0, header.find_first_of(" \t"));
    return header.substr(0, bar);
}
