// The Python module "torva": the library's API with Python names. Arguments
// left as None take the programs' default for the mode; the GIL is released
// while aligning.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>

#include "FileIterators.hpp"
#include "Keywords.hpp"
#include "PythonResult.hpp"
#include "scoring/ValueLimits.hpp"
#include "torva/torva.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

torva::Variant variantNamed(const std::string& name) {
    if (name == "torva") return torva::Variant::torva;
    if (name == "torva-b" || name == "torva_b") return torva::Variant::torvaB;
    throw std::invalid_argument("variant must be \"torva\" or \"torva-b\", not \"" + name + "\"");
}

torva::Options options(bool protein, const py::object& matrix, std::optional<int> gapOpen,
                       std::optional<int> gapExtend, int factor, std::optional<int> minLength,
                       const std::string& variant, std::optional<long long> memoryLimit,
                       std::optional<int> threads = 1) {
    constexpr int kMost = kMaxAbsValue;  // the largest number the programs' options take
    if (memoryLimit && *memoryLimit <= 0)
        throw py::value_error("memory_limit=" + std::to_string(*memoryLimit) +
                              " must be a positive number of bytes; None for what the "
                              "programs allow themselves");
    torva::Options o;
    o.protein = protein;
    o.matrix = matrixKeyword(matrix);
    if (gapOpen) o.gapOpen = rangeKeyword("gap_open", *gapOpen, -kMost, kMost);
    if (gapExtend) o.gapExtend = rangeKeyword("gap_extend", *gapExtend, -kMost, kMost);
    o.factor = rangeKeyword("factor", factor, 0, kMost);
    if (minLength) o.minLength = rangeKeyword("min_length", *minLength, 0, kMost);
    o.variant = variantNamed(variant);
    o.threads = threadsKeyword(threads);
    o.memoryLimit = memoryLimit ? static_cast<unsigned long long>(*memoryLimit) : 0;
    return o;
}

// The library's result as torva.Result, its warnings issued; needs the GIL.
PythonResult issued(torva::Result result, const torva::Options& o) {
    PythonResult r(std::move(result), matrixOf(o), "seq1", "seq2");
    issueWarnings(r.warnings);
    return r;
}

// The keyword arguments every aligning function takes, after the sequences.
#define TORVA_OPTION_ARGS                                                                 \
    "protein"_a = false, "matrix"_a = py::none(), "gap_open"_a = py::none(),              \
        "gap_extend"_a = py::none(), "factor"_a = 10, "min_length"_a = py::none(),        \
        "variant"_a = "torva", "memory_limit"_a = py::none()

// align and list_local: one pair through `call` with the GIL released, then
// through `finish` (which issues the warnings) with the GIL held.
template <class Call, class Finish>
auto onePair(Call call, Finish finish) {
    return [call, finish](const std::string& seq1, const std::string& seq2, bool protein,
                          const py::object& matrix, std::optional<int> gapOpen,
                          std::optional<int> gapExtend, int factor,
                          std::optional<int> minLength, const std::string& variant,
                          std::optional<long long> memoryLimit) {
        const torva::Options o = options(protein, matrix, gapOpen, gapExtend, factor, minLength,
                                         variant, memoryLimit);
        decltype(call(seq1, seq2, o)) out;
        {
            py::gil_scoped_release unlocked;
            out = call(seq1, seq2, o);
        }
        return finish(std::move(out), o);
    };
}

const char* const kOptionsDoc = R"(
    protein: the sequences are protein (as -P): BLOSUM62, mask character '*',
        gap costs 15/2 and min_length 50 unless given. A matrix of more than
        20 letters switches to the protein defaults too.
    matrix: a torva.Matrix, the name of a shipped matrix ("BLOSUM62", "PAM250",
        "HOXD70", ... : torva.Matrix.names()) or the path of a matrix file;
        None for the default of the mode.
    gap_open, gap_extend: gap costs (-G, -A); the sign is ignored. None for
        500/25 (DNA) or 15/2 (protein).
    factor: raises the cutoff of local alignments (-T); at least 0, values
        below 6 count as 6.
    min_length: shorter regions are not searched for anchors (-C); None for
        100 (DNA) or 50 (protein).
    variant: "torva" re-aligns gapped anchors in windows, "torva-b" as a whole.
    memory_limit: the most memory in bytes the work buffers may take; None
        for what the programs allow themselves.

Warnings about a pair (say, protein aligned as DNA) are issued with the
warnings module, category torva.TorvaWarning. Raises ValueError for bad
options, naming the keyword and the values it takes; MemoryError when a pair
does not fit in memory.)";

std::string doc(const char* head) { return std::string(head) + "\n\nArguments:" + kOptionsDoc; }

}  // namespace

PYBIND11_MODULE(torva, m) {
    m.doc() = "Anchored pairwise alignment of DNA and protein sequences, as the torva and "
              "torva-b programs compute it.";
    m.attr("__version__") = torva::version();

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const torva::FileError& e) {
            // OSError(errno, text, filename) picks the matching subclass,
            // e.g. FileNotFoundError.
            py::object error = py::reinterpret_borrow<py::object>(PyExc_OSError)(
                e.errorNumber(), e.what(), e.path());
            PyErr_SetObject(PyExc_OSError, error.ptr());
        } catch (const torva::OutOfMemoryError& e) {
            PyErr_SetString(PyExc_MemoryError, e.what());
        }
    });

    py::class_<torva::Matrix>(m, "Matrix", "A substitution-score matrix (letters are case-insensitive).")
        .def(py::init([](const std::string& letters, const std::vector<std::vector<int>>& rows,
                         const std::string& title) {
                 std::vector<int> scores;
                 for (const auto& row : rows) {
                     if (row.size() != letters.size())
                         throw std::invalid_argument("every row needs one score per letter");
                     scores.insert(scores.end(), row.begin(), row.end());
                 }
                 return torva::Matrix(letters, scores, title);
             }),
             "letters"_a, "scores"_a, "title"_a = "",
             "A matrix over `letters` (distinct, case-insensitive); scores[i][j] scores letters[i] "
             "against letters[j].")
        .def_static(
            "from_file",
            [](const std::filesystem::path& path) { return torva::Matrix::fromFile(path.string()); },
            "path"_a,
            "Reads a matrix file in the programs' format. Raises OSError when it cannot be read, "
            "ValueError when it does not parse.")
        .def_static("from_text", &torva::Matrix::fromText, "text"_a,
                    "Parses the text of a matrix file; ValueError when it does not parse.")
        .def_static("named", &torva::Matrix::named, "name"_a,
                    "A matrix shipped with torva, by name in any case (see names()); "
                    "ValueError lists the names for any other.")
        .def_static("names", &torva::Matrix::names,
                    "The names of the shipped matrices: BLOSUM45/50/62/80, PAM30/70/250, "
                    "HOXD70 and DNA_MATCH.")
        .def_static("dna", &torva::Matrix::dna, "The built-in DNA matrix (HOXD70).")
        .def_static("protein", &torva::Matrix::protein, "The built-in protein matrix (BLOSUM62).")
        .def_property_readonly("letters", &torva::Matrix::letters,
                               "The letters, lower case, in ascending order.")
        .def_property_readonly("title", &torva::Matrix::title)
        .def_property_readonly("is_protein", &torva::Matrix::isProtein,
                               "More than 20 letters: the protein defaults apply.")
        .def("score", &torva::Matrix::score, "a"_a, "b"_a,
             "Score of two residues; 0 when either is not in the matrix.")
        .def("__repr__", [](const torva::Matrix& x) {
            return "<torva.Matrix '" + x.title() + "' over '" + x.letters() + "'>";
        });

    py::class_<torva::Anchor>(m, "Anchor", "A local alignment the global alignment is built on.")
        .def_readonly("begin1", &torva::Anchor::begin1, "Start on sequence 1 (0-based).")
        .def_readonly("end1", &torva::Anchor::end1, "End on sequence 1 (exclusive).")
        .def_readonly("begin2", &torva::Anchor::begin2)
        .def_readonly("end2", &torva::Anchor::end2)
        .def_readonly("score", &torva::Anchor::score)
        .def_readonly("row1", &torva::Anchor::row1,
                      "Aligned row (a run of the mask character stands as one character).")
        .def_readonly("row2", &torva::Anchor::row2)
        .def_readonly("listed", &torva::Anchor::listed,
                      "Whether the programs' .loc listing shows it (10 or more positions of "
                      "sequence 1).")
        .def_readonly("used", &torva::Anchor::used,
                      "Whether the global alignment was built on it: False for the anchors of a "
                      "pair whose best local score did not beat the cutoff (anchor_score 0), "
                      "which the .loc listing still shows, and for every anchor of list_local.")
        .def("__repr__", [](const torva::Anchor& a) {
            return "<torva.Anchor " + std::to_string(a.begin1) + ".." + std::to_string(a.end1) +
                   " / " + std::to_string(a.begin2) + ".." + std::to_string(a.end2) +
                   " score " + std::to_string(a.score) + ">";
        });

    bindResult(m);
    bindFileIterators(m);

    py::class_<torva::Listing>(m, "Listing", "The anchors of one pair, as -L lists them.")
        .def_readonly("anchor_score", &torva::Listing::anchorScore)
        .def_readonly("anchors", &torva::Listing::anchors)
        .def_readonly("warnings", &torva::Listing::warnings)
        .def("__repr__", [](const torva::Listing& l) {
            return "<torva.Listing " + std::to_string(l.anchors.size()) + " anchors>";
        });

    m.def("align",
          onePair([](const std::string& a, const std::string& b, const torva::Options& o) {
                      return torva::align(a, b, o);
                  },
                  [](torva::Result r, const torva::Options& o) { return issued(std::move(r), o); }),
          "seq1"_a, "seq2"_a, py::kw_only(), TORVA_OPTION_ARGS,
          doc("The anchored global alignment of two sequences.").c_str());

    m.def("list_local",
          onePair([](const std::string& a, const std::string& b, const torva::Options& o) {
                      return torva::listLocal(a, b, o);
                  },
                  [](torva::Listing l, const torva::Options&) {
                      issueWarnings(l.warnings);
                      return l;
                  }),
          "seq1"_a, "seq2"_a, py::kw_only(), TORVA_OPTION_ARGS,
          doc("The anchors alone (-L); the .loc listing shows those with `listed`.").c_str());

    m.def(
        "align_many",
        [](const std::vector<std::pair<std::string, std::string>>& pairs,
           std::optional<int> threads, bool protein, const py::object& matrix,
           std::optional<int> gapOpen, std::optional<int> gapExtend, int factor,
           std::optional<int> minLength, const std::string& variant,
           std::optional<long long> memoryLimit) {
            const torva::Options o = options(protein, matrix, gapOpen, gapExtend, factor,
                                             minLength, variant, memoryLimit, threads);
            std::vector<torva::Result> results;
            {
                py::gil_scoped_release unlocked;
                results = torva::alignMany(pairs, o);
            }
            std::vector<PythonResult> out;
            out.reserve(results.size());
            for (torva::Result& r : results) out.push_back(issued(std::move(r), o));
            return out;
        },
        "pairs"_a, py::kw_only(), "threads"_a = py::none(), TORVA_OPTION_ARGS,
        doc("Aligns (seq1, seq2) pairs on `threads` threads (None: every core this process "
            "may use, as the programs do): a large pair alone with every thread on it, a pair "
            "that does not fit beside the others again alone; the results are in input order.")
            .c_str());

    m.def(
        "read_fasta", [](const std::filesystem::path& path) { return readFasta(path.string()); },
        "path"_a,
          "Yields (name, sequence) for each record of a FASTA file, plain or gzip-compressed: "
          "the name is the header line after '>', the sequence its lines joined. Raises "
          "OSError when the file cannot be opened, ValueError when it is no FASTA (the "
          "programs' message says what it looks like).");

    m.def(
        "align_file",
        [](const std::filesystem::path& path, std::optional<int> threads, bool protein,
           const py::object& matrix, std::optional<int> gapOpen, std::optional<int> gapExtend,
           int factor, std::optional<int> minLength, const std::string& variant,
           std::optional<long long> memoryLimit) {
            return alignFile(path.string(), options(protein, matrix, gapOpen, gapExtend, factor,
                                                    minLength, variant, memoryLimit, threads));
        },
        "path"_a, py::kw_only(), "threads"_a = py::none(), TORVA_OPTION_ARGS,
        doc("Yields the results of the pairs of a FASTA file (records 1 and 2, 3 and 4, ...) in "
            "input order, as the programs align them, on `threads` threads (None: every core "
            "this process may use). Each result's name1 and name2 are the records' names up "
            "to the first '|'. A last record without a partner is left out with a warning.")
            .c_str());

    m.def("cigar", &torva::cigar, "row1"_a, "row2"_a,
          "The cigar string of two aligned rows of equal length, as in the programs' PAF "
          "files (residues compared ignoring case).");
}
