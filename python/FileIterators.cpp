#include "FileIterators.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include <pybind11/stl.h>

#include "PythonResult.hpp"
#include "io/FastaReader.hpp"
#include "io/InputStream.hpp"

namespace py = pybind11;

namespace {

// The programs' reader on `path`, with an OSError of the right kind when the
// file cannot be opened (FileNotFoundError, PermissionError, ...) and the
// programs' message as ValueError when it is no FASTA.
std::unique_ptr<FastaReader> openFasta(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int error = fd < 0 ? errno : 0;
    struct stat st;
    const bool directory = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (fd < 0 || directory) {
        if (fd >= 0) ::close(fd);
        const int why = directory ? EISDIR : error;
        throw torva::FileError("cannot open FASTA file " + path + ": " + std::strerror(why), path, why);
    }
    OpenedInput in = openInputFd(fd, true, inputSubject(path));
    if (!in.stream) throw torva::FileError("cannot open FASTA file " + path + ": " + in.error, path, 0);
    try {
        return std::make_unique<FastaReader>(std::move(in.stream), path);
    } catch (const InputError& e) {
        throw py::value_error(e.what());
    }
}

// Reads up to `n` records; the programs' notes about them (an empty header)
// are left in `notes`.
int readSome(FastaReader& reader, std::vector<std::string>& names, std::vector<std::string>& seqs,
             int n) {
    try {
        py::gil_scoped_release unlocked;
        return reader.readRecords(names, seqs, n);
    } catch (const InputError& e) {
        throw py::value_error(e.what());
    }
}

std::vector<std::string> noteTexts(const Messages& notes) {
    std::vector<std::string> texts;
    for (const Message& m : notes) texts.push_back(m.text);
    return texts;
}

class FastaRecords {
public:
    explicit FastaRecords(const std::string& path) : reader_(openFasta(path)) {}

    std::pair<std::string, std::string> next() {
        if (at_ == names_.size()) {
            names_.clear();
            seqs_.clear();
            at_ = 0;
            readSome(*reader_, names_, seqs_, kBatch);
            std::vector<std::string> texts = noteTexts(reader_->takeNotes());
            issueWarnings(texts);
            if (names_.empty()) throw py::stop_iteration();
        }
        const std::size_t k = at_++;
        return {std::move(names_[k]), std::move(seqs_[k])};
    }

private:
    static constexpr int kBatch = 64;
    std::unique_ptr<FastaReader> reader_;
    std::vector<std::string> names_, seqs_;
    std::size_t at_ = 0;
};

class FileAlignments {
public:
    FileAlignments(const std::string& path, torva::Options options)
        : reader_(openFasta(path)), options_(std::move(options)), matrix_(matrixOf(options_)) {}

    PythonResult next() {
        if (ready_.empty()) alignBatch();
        if (ready_.empty() && failure_) {
            // Raised once, after the results of the pairs before it.
            finished_ = true;
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
        if (ready_.empty()) throw py::stop_iteration();
        PythonResult r = std::move(ready_.front());
        ready_.pop_front();
        issueWarnings(r.warnings);
        return r;
    }

private:
    void alignBatch() {
        if (finished_) return;
        // A few pairs per thread keep every thread busy without holding the
        // whole file in memory.
        const int wanted = 2 * 4 * static_cast<int>(std::max(1u, options_.threads));
        std::vector<std::string> names, seqs;
        const int got = readSome(*reader_, names, seqs, wanted);
        std::vector<std::string> texts = noteTexts(reader_->takeNotes());
        issueWarnings(texts);
        std::vector<std::pair<std::string, std::string>> pairs;
        for (int k = 0; k + 1 < got; k += 2) pairs.emplace_back(std::move(seqs[k]), std::move(seqs[k + 1]));
        if (got < wanted) {
            finished_ = true;
            if (got % 2 == 1) {
                std::vector<std::string> lone{"record " + std::to_string(reader_->recordsStarted()) +
                                              " (" + names[got - 1] +
                                              ") has no partner and is not aligned"};
                issueWarnings(lone);
            }
        }
        if (pairs.empty()) return;
        std::vector<torva::Result> results;
        {
            py::gil_scoped_release unlocked;
            try {
                results = torva::alignMany(pairs, options_);
            } catch (...) {
                // The batch's results are lost with the error; those of the
                // pairs before the failing one are made again one by one, so
                // that the caller gets them before the error, as the programs
                // write them before the message.
                results.clear();
                finished_ = true;
                for (const auto& [seq1, seq2] : pairs) {
                    try {
                        results.push_back(torva::align(seq1, seq2, options_));
                    } catch (...) {
                        failure_ = std::current_exception();
                        break;
                    }
                }
            }
        }
        for (std::size_t k = 0; k < results.size(); ++k)
            ready_.emplace_back(std::move(results[k]), matrix_, cutName(names[2 * k]),
                                cutName(names[2 * k + 1]));
    }

    std::unique_ptr<FastaReader> reader_;
    torva::Options options_;
    torva::Matrix matrix_;
    std::deque<PythonResult> ready_;
    std::exception_ptr failure_;  // raised when the results before it are taken
    bool finished_ = false;
};

}  // namespace

py::object readFasta(const std::string& path) { return py::cast(FastaRecords(path)); }

py::object alignFile(const std::string& path, const torva::Options& options) {
    return py::cast(FileAlignments(path, options));
}

void bindFileIterators(py::module_& m) {
    py::class_<FastaRecords>(m, "FastaRecords", "The (name, sequence) records of a FASTA file.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &FastaRecords::next);
    py::class_<FileAlignments>(m, "FileAlignments",
                               "The results of a FASTA file's pairs, in input order.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &FileAlignments::next);
}
