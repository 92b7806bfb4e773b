#include "FileIterators.hpp"

#include <algorithm>
#include <atomic>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include <pybind11/eval.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "Interruptible.hpp"
#include "PythonFileStream.hpp"
#include "PythonResult.hpp"

namespace py = pybind11;

namespace {

// A path (str or os.PathLike) or a file object (anything with read()). A
// path that cannot be opened raises the OSError of its kind
// (FileNotFoundError, PermissionError, ...), input that is no FASTA
// ValueError.
torva::FastaFile openFasta(const py::object& source) {
    if (py::isinstance<py::str>(source) || py::hasattr(source, "__fspath__"))
        return torva::FastaFile(source.cast<std::filesystem::path>().string());
    if (!py::hasattr(source, "read"))
        throw py::type_error("path takes a str, an os.PathLike or a file object, not " +
                             std::string(py::str(py::type::of(source).attr("__name__"))));
    const std::string name = py::hasattr(source, "name") ? std::string(py::str(source.attr("name")))
                                                         : std::string("the file object");
    return torva::FastaFile(std::make_unique<PythonFileStream>(source), name);
}

// The file's warnings so far, issued.
void issueFileWarnings(torva::FastaFile& file) {
    std::vector<std::string> texts = file.takeWarnings();
    issueWarnings(texts);
}

class FastaRecords {
public:
    explicit FastaRecords(const py::object& source)
        : file_(openFasta(source)), recordType_(py::module_::import("torva").attr("FastaRecord")) {}

    // torva.FastaRecord(name, sequence) with the whole header as .header.
    py::object next() {
        if (at_ == records_.size()) {
            {
                py::gil_scoped_release unlocked;
                records_ = file_.readRecords(kBatch);
            }
            at_ = 0;
            issueFileWarnings(file_);
            if (records_.empty()) throw py::stop_iteration();
        }
        torva::FastaRecord& r = records_[at_++];
        py::object record = recordType_(r.name, std::move(r.sequence));
        record.attr("header") = r.header;
        return record;
    }

private:
    static constexpr std::size_t kBatch = 64;
    torva::FastaFile file_;
    py::object recordType_;  // torva.FastaRecord
    std::vector<torva::FastaRecord> records_;
    std::size_t at_ = 0;
};

class FileAlignments {
public:
    FileAlignments(const py::object& source, torva::Options options)
        : file_(openFasta(source)), options_(std::move(options)), matrix_(matrixOf(options_)) {}

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
        const std::size_t wanted = 4 * std::max(1u, options_.threads);
        std::vector<torva::FastaPair> read;
        {
            py::gil_scoped_release unlocked;
            read = file_.readPairs(wanted, options_);
        }
        if (read.size() < wanted) finished_ = true;
        issueFileWarnings(file_);
        std::vector<std::pair<std::string, std::string>> pairs;
        long long cells = 0;
        for (torva::FastaPair& p : read) {
            cells += static_cast<long long>(p.first.sequence.size() + 1) *
                     static_cast<long long>(p.second.sequence.size() + 1);
            pairs.emplace_back(std::move(p.first.sequence), std::move(p.second.sequence));
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
            std::vector<std::string>& notes = read[k].warnings;
            notes.insert(notes.end(), results[k].warnings.begin(), results[k].warnings.end());
            results[k].warnings = std::move(notes);
            ready_.emplace_back(std::move(results[k]), matrix_, std::move(read[k].first.name),
                                std::move(read[k].second.name));
        }
    }

    torva::FastaFile file_;
    torva::Options options_;
    torva::Matrix matrix_;
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
