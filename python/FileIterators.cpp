#include "FileIterators.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include <pybind11/eval.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "InputChecks.hpp"
#include "Interruptible.hpp"
#include "PythonFileStream.hpp"
#include "PythonResult.hpp"
#include "input/FastaReader.hpp"
#include "input/InputStream.hpp"

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

// A path (str or os.PathLike) or a file object (anything with read()).
std::unique_ptr<FastaReader> openFasta(const py::object& source) {
    if (py::isinstance<py::str>(source) || py::hasattr(source, "__fspath__"))
        return openFasta(source.cast<std::filesystem::path>().string());
    if (!py::hasattr(source, "read"))
        throw py::type_error("path takes a str, an os.PathLike or a file object, not " +
                             std::string(py::str(py::type::of(source).attr("__name__"))));
    const std::string name = py::hasattr(source, "name") ? std::string(py::str(source.attr("name")))
                                                         : std::string("the file object");
    try {
        return std::make_unique<FastaReader>(std::make_unique<PythonFileStream>(source), name);
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
    explicit FastaRecords(const py::object& source)
        : reader_(openFasta(source)), recordType_(py::module_::import("torva").attr("FastaRecord")) {}

    // torva.FastaRecord(name, sequence) with the whole header as .header.
    py::object next() {
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
        py::object record = recordType_(cutName(names_[k]), std::move(seqs_[k]));
        record.attr("header") = names_[k];
        return record;
    }

private:
    static constexpr int kBatch = 64;
    std::unique_ptr<FastaReader> reader_;
    py::object recordType_;  // torva.FastaRecord
    std::vector<std::string> names_, seqs_;
    std::size_t at_ = 0;
};

class FileAlignments {
public:
    FileAlignments(const py::object& source, torva::Options options)
        : reader_(openFasta(source)), options_(std::move(options)), matrix_(matrixOf(options_)),
          checks_(options_) {}

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
        try {
            alignNextPairs();
        } catch (...) {
            // Interrupted, or a warning made an error: what was read is lost.
            finished_ = true;
            throw;
        }
    }

    void alignNextPairs() {
        // A few pairs per thread keep every thread busy without holding the
        // whole file in memory.
        const int wanted = 2 * 4 * static_cast<int>(std::max(1u, options_.threads));
        std::vector<std::string> names, seqs;
        const int got = readSome(*reader_, names, seqs, wanted);
        std::vector<std::string> texts = noteTexts(reader_->takeNotes());
        issueWarnings(texts);
        // Letters the matrix has no row for, as the programs warn of them.
        const long firstRecord = reader_->recordsStarted() - got + 1;
        std::vector<std::vector<std::string>> letterNotes(static_cast<std::size_t>(got / 2));
        for (int k = 0; k + 1 < got; ++k) {
            const std::string letters = checks_.unknownLetters(seqs[static_cast<std::size_t>(k)]);
            if (!letters.empty())
                letterNotes[static_cast<std::size_t>(k / 2)].push_back(
                    "record " + std::to_string(firstRecord + k) + " (" +
                    cutName(names[static_cast<std::size_t>(k)]) + ") has " + letters);
        }
        std::vector<std::pair<std::string, std::string>> pairs;
        long long cells = 0;
        for (int k = 0; k + 1 < got; k += 2) {
            cells += static_cast<long long>(seqs[k].size() + 1) *
                     static_cast<long long>(seqs[k + 1].size() + 1);
            pairs.emplace_back(std::move(seqs[k]), std::move(seqs[k + 1]));
        }
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
        const auto alignAll = [&](const std::atomic<bool>* stop) {
            torva::Options options = options_;
            options.stop = stop;
            // Each pair comes back with its own result or error: the results
            // before the first failing pair reach the caller before its error,
            // as the programs write them before the message.
            std::vector<torva::Result> results;
            for (torva::PairOutcome& outcome : torva::alignEach(pairs, options)) {
                if (outcome.error) {
                    failure_ = outcome.error;
                    finished_ = true;
                    break;
                }
                results.push_back(std::move(*outcome.result));
            }
            return results;
        };
        std::vector<torva::Result> results = runInterruptibly(cells < kInterruptibleCells, alignAll);
        for (std::size_t k = 0; k < results.size(); ++k) {
            std::vector<std::string>& notes = letterNotes[k];
            notes.insert(notes.end(), results[k].warnings.begin(), results[k].warnings.end());
            results[k].warnings = std::move(notes);
        }
        for (std::size_t k = 0; k < results.size(); ++k)
            ready_.emplace_back(std::move(results[k]), matrix_, cutName(names[2 * k]),
                                cutName(names[2 * k + 1]));
    }

    std::unique_ptr<FastaReader> reader_;
    torva::Options options_;
    torva::Matrix matrix_;
    InputChecks checks_;
    std::deque<PythonResult> ready_;
    std::exception_ptr failure_;  // raised when the results before it are taken
    bool finished_ = false;
};

}  // namespace

py::object readFasta(const py::object& source) { return py::cast(FastaRecords(source)); }

py::object alignFile(const py::object& source, const torva::Options& options) {
    return py::cast(FileAlignments(source, options));
}

void bindFileIterators(py::module_& m) {
    // A record unpacks as (name, sequence), as read_fasta's records always
    // did; .header keeps the whole header line.
    py::exec(R"(
import collections as _collections
class FastaRecord(_collections.namedtuple("FastaRecord", "name sequence")):
    """A FASTA record: name (the header up to its first '|', as the programs
    and align_file name records), sequence (its lines joined), and header
    (the whole header line after '>')."""
)", m.attr("__dict__"));
    m.attr("FastaRecord").attr("__module__") = "torva";
    py::class_<FastaRecords>(m, "FastaRecords", "The records of a FASTA file, as FastaRecord.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &FastaRecords::next);
    py::class_<FileAlignments>(m, "FileAlignments",
                               "The results of a FASTA file's pairs, in input order.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &FileAlignments::next);
}
