// The Python module "torva": the library's API with Python names. Arguments
// left as None take the programs' default for the mode; the GIL is released
// while aligning, and Ctrl-C stops a long call (Interruptible.hpp).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>

#include "CallArguments.hpp"
#include "FileIterators.hpp"
#include "Interruptible.hpp"
#include "Keywords.hpp"
#include "PythonResult.hpp"
#include "torva/torva.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

torva::Variant variantNamed(const std::string& name) {
    if (name == "torva") return torva::Variant::torva;
    if (name == "torva-b" || name == "torva_b") return torva::Variant::torvaB;
    throw std::invalid_argument("variant must be \"torva\" or \"torva-b\", not \"" + name + "\"");
}

// The keywords every aligning function takes, after its positional ones.
const char* const kOptionNames[] = {"protein",    "matrix",     "gap_open", "gap_extend",  "factor",
                                    "min_length", "variant", "memory_limit", "strand"};

torva::Strand strandNamed(const std::string& name) {
    if (name == "plus") return torva::Strand::plus;
    if (name == "minus") return torva::Strand::minus;
    if (name == "both") return torva::Strand::both;
    throw py::value_error("strand= takes \"plus\", \"minus\" or \"both\", not \"" + name + "\"");
}

std::vector<const char*> parameters(std::initializer_list<const char*> first) {
    std::vector<const char*> names(first);
    names.insert(names.end(), std::begin(kOptionNames), std::end(kOptionNames));
    return names;
}

// The options of a call; `threads` for the functions that take it (the
// others align on one thread).
torva::Options options(const CallArguments& a, bool takesThreads) {
    const long long kMost = torva::limits().maxAbsValue;  // the largest number the programs' options take
    torva::Options o;
    o.protein = switchKeyword("protein", a["protein"], false);
    o.matrix = matrixKeyword(a["matrix"]);
    // Within +-1,000,000, every value fits an int.
    const auto number = [&](const char* name, long long low) {
        const std::optional<long long> v = wholeKeyword(name, a[name], low, kMost);
        return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
    };
    o.gapOpen = number("gap_open", -kMost);
    o.gapExtend = number("gap_extend", -kMost);
    o.factor = number("factor", 0).value_or(o.factor);
    o.minLength = number("min_length", 0);
    o.variant = variantNamed(textKeyword("variant", a["variant"], "torva"));
    o.threads = takesThreads ? threadsKeyword(a["threads"]) : 1;
    o.memoryLimit = memoryKeyword(a["memory_limit"]);
    o.strand = strandNamed(textKeyword("strand", a["strand"], "plus"));
    return o;
}

long long cellsOf(const std::string& seq1, const std::string& seq2) {
    return static_cast<long long>(seq1.size() + 1) * static_cast<long long>(seq2.size() + 1);
}

// The library's result as torva.Result, with the warnings about its input
// first, all of them issued; needs the GIL.
PythonResult issued(torva::Result result, std::vector<std::string> inputWarnings,
                    const torva::Options& o) {
    inputWarnings.insert(inputWarnings.end(), result.warnings.begin(), result.warnings.end());
    result.warnings = std::move(inputWarnings);
    PythonResult r(std::move(result), matrixOf(o), "seq1", "seq2");
    issueWarnings(r.warnings);
    return r;
}

// What align and list_local share: the library's answer for one pair, the
// warnings about its input, and the options it was made with.
template <class Out>
struct OnePair {
    Out out;
    std::vector<std::string> inputWarnings;
    torva::Options options;
};

// One pair's arguments checked, then the pair through `call`, interruptibly.
template <class Call>
auto onePair(const char* function, const py::args& args, const py::kwargs& kwargs, Call call) {
    const CallArguments a(function, parameters({"seq1", "seq2"}), 2, args, kwargs);
    const std::string seq1 = sequenceArgument("seq1", a["seq1"]);
    const std::string seq2 = sequenceArgument("seq2", a["seq2"]);
    const torva::Options o = options(a, false);
    std::vector<std::string> notes = torva::sequenceWarnings("seq1", seq1, o);
    for (std::string& note : torva::sequenceWarnings("seq2", seq2, o)) notes.push_back(std::move(note));
    auto out = runInterruptibly(cellsOf(seq1, seq2) < kInterruptibleCells,
                                [&](const std::atomic<bool>* stop) {
                                    torva::Options stoppable = o;
                                    stoppable.stop = stop;
                                    return call(seq1, seq2, stoppable);
                                });
    return OnePair<decltype(out)>{std::move(out), std::move(notes), o};
}

std::vector<PythonResult> alignMany(const py::args& args, const py::kwargs& kwargs) {
    std::vector<const char*> names = parameters({"pairs"});
    names.insert(names.begin() + 1, "threads");
    const CallArguments a("align_many", names, 1, args, kwargs);
    std::vector<std::pair<std::string, std::string>> pairs;
    long long cells = 0;
    std::size_t k = 0;
    for (const py::handle item : py::iter(a["pairs"])) {
        const std::string at = "pairs[" + std::to_string(k++) + "]";
        const py::object pair = py::reinterpret_borrow<py::object>(item);
        if (py::isinstance<py::str>(pair) || !py::isinstance<py::sequence>(pair) || py::len(pair) != 2)
            throw py::type_error(at + " takes a (seq1, seq2) pair, not " +
                                 std::string(py::str(py::type::of(pair).attr("__name__"))));
        pairs.emplace_back(sequenceArgument(at + "[0]", pair[py::int_(0)]),
                           sequenceArgument(at + "[1]", pair[py::int_(1)]));
        cells += cellsOf(pairs.back().first, pairs.back().second);
    }
    const torva::Options o = options(a, true);
    std::vector<std::vector<std::string>> notes;
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        const std::string at = "pairs[" + std::to_string(p) + "]";
        notes.push_back(torva::sequenceWarnings(at + "[0]", pairs[p].first, o));
        for (std::string& note : torva::sequenceWarnings(at + "[1]", pairs[p].second, o))
            notes.back().push_back(std::move(note));
    }
    std::vector<torva::Result> results =
        runInterruptibly(cells < kInterruptibleCells, [&](const std::atomic<bool>* stop) {
            torva::Options stoppable = o;
            stoppable.stop = stop;
            return torva::alignMany(pairs, stoppable);
        });
    std::vector<PythonResult> out;
    out.reserve(results.size());
    for (std::size_t p = 0; p < results.size(); ++p)
        out.push_back(issued(std::move(results[p]), std::move(notes[p]), o));
    return out;
}

// The arguments' part of the docstrings, its defaults and limits the
// library's (the line breaks suit today's numbers).
std::string optionsDoc() {
    const torva::Defaults dna = torva::defaults(false), protein = torva::defaults(true);
    const auto costs = [](const torva::Defaults& d) {
        return std::to_string(d.gapOpen) + "/" + std::to_string(d.gapExtend);
    };
    return R"(
    protein: the sequences are protein (as -P): BLOSUM62, mask character '*',
        gap costs )" + costs(protein) + " and min_length " + std::to_string(protein.minLength) + R"( unless given. A matrix of more than
        20 letters switches to the protein defaults too.
    matrix: a torva.Matrix, the name of a shipped matrix ("BLOSUM62", "PAM250",
        "HOXD70", ... : torva.Matrix.names()) or the path of a matrix file;
        None for the default of the mode.
    gap_open, gap_extend: gap costs (-G, -A); the sign is ignored. None for
        )" + costs(dna) + " (DNA) or " + costs(protein) + R"( (protein).
    factor: raises the cutoff of local alignments (-T); at least 0, values
        below )" + std::to_string(torva::limits().minFactor) + " count as " +
           std::to_string(torva::limits().minFactor) + R"(.
    min_length: shorter regions are not searched for anchors (-C); None for
        )" + std::to_string(dna.minLength) + " (DNA) or " + std::to_string(protein.minLength) + R"( (protein).
    variant: "torva" re-aligns gapped anchors in windows, "torva-b" as a whole.
    memory_limit: the most memory in bytes the work buffers may take; None
        for what the programs allow themselves.
    strand: "plus" aligns seq2 as given, "minus" its reverse complement,
        "both" both ways keeping the better (plus on a tie); DNA only.

Warnings about a pair are those the programs print (an empty sequence;
digits, spaces or line ends in it; letters the matrix has no row for;
protein aligned as DNA or DNA as protein), issued with the warnings module,
category torva.TorvaWarning. Raises TypeError for an unknown keyword or a
value of the wrong type and ValueError for one out of range, naming the
keyword and what it takes; MemoryError when a pair does not fit in memory;
KeyboardInterrupt within a fraction of a second of Ctrl-C.)";
}

std::string doc(const char* head) { return std::string(head) + "\n\nArguments:" + optionsDoc(); }

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
        } catch (const torva::Stopped& e) {
            PyErr_SetString(PyExc_KeyboardInterrupt, e.what());
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
        })
        .def(py::pickle(
            [](const torva::Matrix& x) {
                std::vector<std::vector<int>> rows;
                for (char a : x.letters()) {
                    rows.emplace_back();
                    for (char b : x.letters()) rows.back().push_back(x.score(a, b));
                }
                return py::make_tuple(x.letters(), rows, x.title());
            },
            [](const py::tuple& state) {
                std::vector<int> scores;
                for (const auto& row : state[1].cast<std::vector<std::vector<int>>>())
                    scores.insert(scores.end(), row.begin(), row.end());
                return torva::Matrix(state[0].cast<std::string>(), scores,
                                     state[2].cast<std::string>());
            }));

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

    // The aligning functions match their arguments themselves (CallArguments),
    // so their signatures are written out here, in the form Python's inspect
    // reads from a builtin's docstring.
    py::options signatures;
    signatures.disable_function_signatures();
    const std::string optionSignature =
        "protein=False, matrix=None, gap_open=None, gap_extend=None, factor=" +
        std::to_string(torva::Options{}.factor) + ", "
        "min_length=None, variant='torva', memory_limit=None, strand='plus')\n--\n\n";

    static const std::string alignDoc =
        "align(seq1, seq2, *, " + optionSignature +
        doc("The anchored global alignment of two sequences: str, bytes, Bio.Seq.Seq, "
            "SeqRecord, or anything whose str() is letters.");
    m.def(
        "align",
        [](const py::args& args, const py::kwargs& kwargs) {
            auto pair = onePair("align", args, kwargs,
                                [](const std::string& a, const std::string& b,
                                   const torva::Options& o) { return torva::align(a, b, o); });
            return issued(std::move(pair.out), std::move(pair.inputWarnings), pair.options);
        },
        alignDoc.c_str());

    static const std::string listDoc =
        "list_local(seq1, seq2, *, " + optionSignature +
        doc("The anchors alone (-L); the .loc listing shows those with `listed`.");
    m.def(
        "list_local",
        [](const py::args& args, const py::kwargs& kwargs) {
            auto pair = onePair("list_local", args, kwargs,
                                [](const std::string& a, const std::string& b,
                                   const torva::Options& o) { return torva::listLocal(a, b, o); });
            std::vector<std::string> warnings = std::move(pair.inputWarnings);
            warnings.insert(warnings.end(), pair.out.warnings.begin(), pair.out.warnings.end());
            pair.out.warnings = std::move(warnings);
            issueWarnings(pair.out.warnings);
            return pair.out;
        },
        listDoc.c_str());

    static const std::string manyDoc =
        "align_many(pairs, *, threads=None, " + optionSignature +
        doc("Aligns (seq1, seq2) pairs on `threads` threads (None: every core this process "
            "may use, as the programs do): a large pair alone with every thread on it, a pair "
            "that does not fit beside the others again alone; the results are in input order.");
    m.def("align_many", &alignMany, manyDoc.c_str());

    m.def(
        "read_fasta", [](const py::object& path) { return readFasta(path); },
        "read_fasta(path)\n--\n\n"
        "Yields a FastaRecord(name, sequence) for each record of a FASTA file: `path` is a "
        "str or os.PathLike (plain or gzip-compressed) or a file object open for reading "
        "(text or binary). The name is the header up to its first '|', as align_file and the "
        "programs name records; .header is the whole header line after '>', the sequence its "
        "lines joined. Raises OSError when the file cannot be opened, ValueError when it is "
        "no FASTA (the programs' message says what it looks like).");

    static const std::string fileDoc =
        "align_file(path, *, threads=None, " + optionSignature +
        doc("Yields the results of the pairs of a FASTA file (records 1 and 2, 3 and 4, ...) in "
            "input order, as the programs align them, on `threads` threads (None: every core "
            "this process may use). `path` is as for read_fasta. Each result's name1 and name2 "
            "are the records' names, as read_fasta gives them. A last record without a "
            "partner is left out with a warning.");
    m.def(
        "align_file",
        [](const py::args& args, const py::kwargs& kwargs) {
            std::vector<const char*> names = parameters({"path"});
            names.insert(names.begin() + 1, "threads");
            const CallArguments a("align_file", names, 1, args, kwargs);
            return alignFile(a["path"], options(a, true));
        },
        fileDoc.c_str());
    signatures.enable_function_signatures();

    m.def("reverse_complement", [](const std::string& sequence) { return torva::reverseComplement(sequence); },
          "sequence"_a,
          "The reverse complement of a DNA sequence, as strand=\"minus\" aligns seq2: IUPAC "
          "codes complemented, U read as T, case kept, other characters kept.");

    m.def("cigar", &torva::cigar, "row1"_a, "row2"_a,
          "The cigar string of two aligned rows of equal length, as in the programs' PAF "
          "files (residues compared ignoring case).");
}
