#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "api/Settings.hpp"
#include "input/FastaReader.hpp"
#include "input/InputStream.hpp"
#include "input/RecordWarnings.hpp"
#include "scoring/UnknownLetters.hpp"
#include "torva/torva.hpp"

namespace torva {

struct FastaFile::Reader {
    FastaReader fasta;
    std::vector<std::string> warnings;
    bool ended = false;  // a read came back short: the input is used up
    // The reader counts in int; a larger request is read in several calls.
    static constexpr std::size_t kMostAtOnce = 1 << 30;

    // The reader's own complaints are the caller's bad input.
    template <class Make>
    static Reader made(Make make) {
        try {
            return Reader{make(), {}, false};
        } catch (const InputError& e) {
            throw std::invalid_argument(e.what());
        }
    }

    std::size_t read(std::vector<std::string>& headers, std::vector<std::string>& seqs, std::size_t count) {
        std::size_t got = 0;
        while (got < count) {
            const int now = readSome(headers, seqs, count - got);
            got += static_cast<std::size_t>(now);
            if (now == 0 || got % kMostAtOnce != 0) break;
        }
        return got;
    }

    int readSome(std::vector<std::string>& headers, std::vector<std::string>& seqs, std::size_t count) {
        try {
            return fasta.readRecords(headers, seqs, static_cast<int>(std::min<std::size_t>(count, kMostAtOnce)));
        } catch (const InputError& e) {
            throw std::invalid_argument(e.what());
        }
    }

    void takeNotes() {
        for (Message& m : fasta.takeNotes()) warnings.push_back(std::move(m.text));
    }

    // Once, when the input is used up: what the programs say after the last pair.
    void end(bool pairs, const std::vector<std::string>& headers, std::size_t got) {
        if (ended) return;
        ended = true;
        if (pairs && got % 2 == 1)
            warnings.push_back(recordWarning(fasta.recordsStarted(), headers[got - 1],
                                             kNoPartner));
        if (const std::string note = fasta.streamWarning(); !note.empty())
            warnings.push_back("warning: " + note);
    }
};

namespace {

// A descriptor for `path`, or FileError with the system's reason; a
// directory opens, but is no file to read.
int openForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int error = fd < 0 ? errno : 0;
    struct stat st;
    const bool directory = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (fd >= 0 && !directory) return fd;
    if (fd >= 0) ::close(fd);
    const int why = directory ? EISDIR : error;
    throw FileError("cannot open FASTA file " + path + ": " + std::strerror(why), path, why);
}

FastaRecord record(std::string header, std::string sequence, long long number) {
    FastaRecord r;
    r.name = cutName(header);
    r.header = std::move(header);
    r.sequence = std::move(sequence);
    r.number = number;
    return r;
}

}  // namespace

FastaFile::FastaFile(const std::string& path) {
    if (path == "-") {
        reader_ = std::make_unique<Reader>(Reader::made([&] { return FastaReader::open(path); }));
        return;
    }
    const int fd = openForReading(path);
    OpenedInput in = openInputFd(fd, true, inputSubject(path));
    if (!in.stream) throw FileError("cannot open FASTA file " + path + ": " + in.error, path, 0);
    reader_ = std::make_unique<Reader>(Reader::made([&] { return FastaReader::open(std::move(in), path); }));
}

FastaFile::FastaFile(std::unique_ptr<std::istream> stream, const std::string& name)
    : reader_(std::make_unique<Reader>(Reader::made([&] { return FastaReader(std::move(stream), name); }))) {}

FastaFile::FastaFile(FastaFile&&) noexcept = default;
FastaFile& FastaFile::operator=(FastaFile&&) noexcept = default;
FastaFile::~FastaFile() = default;

std::vector<FastaRecord> FastaFile::readRecords(std::size_t count) {
    std::vector<std::string> headers, seqs;
    const std::size_t got = reader_->read(headers, seqs, count);
    reader_->takeNotes();
    if (got < count) reader_->end(false, headers, got);
    const long long first = reader_->fasta.recordsStarted() - static_cast<long long>(got) + 1;
    std::vector<FastaRecord> records;
    records.reserve(got);
    for (std::size_t k = 0; k < got; ++k)
        records.push_back(record(std::move(headers[k]), std::move(seqs[k]), first + static_cast<long long>(k)));
    return records;
}

std::vector<FastaPair> FastaFile::readPairs(std::size_t count, const Options& options) {
    const Settings settings = resolveSettings(options, false);
    const UnknownLetters unknown(settings.matrix.letters(), settings.params.maskChar);
    count = std::min(count, std::numeric_limits<std::size_t>::max() / 2);
    std::vector<std::string> headers, seqs;
    const std::size_t got = reader_->read(headers, seqs, 2 * count);
    reader_->takeNotes();
    const long long first = reader_->fasta.recordsStarted() - static_cast<long long>(got) + 1;
    std::vector<FastaPair> pairs;
    pairs.reserve(got / 2);
    for (std::size_t k = 0; k + 1 < got; k += 2) {
        FastaPair& pair = pairs.emplace_back();
        for (std::size_t side = 0; side < 2; ++side) {
            FastaRecord r = record(std::move(headers[k + side]), std::move(seqs[k + side]),
                                   first + static_cast<long long>(k + side));
            if (const std::string letters = unknown.describe(r.sequence); !letters.empty())
                pair.warnings.push_back(recordWarning(r.number, r.name, "has " + letters));
            (side == 0 ? pair.first : pair.second) = std::move(r);
        }
    }
    if (got < 2 * count) reader_->end(true, headers, got);
    return pairs;
}

std::vector<std::string> FastaFile::takeWarnings() { return std::exchange(reader_->warnings, {}); }

long long FastaFile::recordsRead() const { return reader_->fasta.recordsStarted(); }

}  // namespace torva
