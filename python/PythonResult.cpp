#include "PythonResult.hpp"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

PyObject* torvaWarning = nullptr;  // torva.TorvaWarning, alive as long as the module

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Identical columns / all alignment columns: the identity the programs' view,
// report and picture give.
double identityOf(const PythonResult& r) {
    return r.row1.empty() ? 0.0 : static_cast<double>(r.span.matches) / static_cast<double>(r.row1.size());
}

std::string reprOf(const PythonResult& r) {
    char identity[16];
    std::snprintf(identity, sizeof identity, "%.4f", identityOf(r));
    return "<torva.Result " + torva::nameWord(r.name1) + " " + std::to_string(r.span.begin1) + ".." +
           std::to_string(r.span.end1) + " / " + torva::nameWord(r.name2) + " " + std::to_string(r.span.begin2) +
           ".." + std::to_string(r.span.end2) + ", score " + std::to_string(r.score) +
           ", identity " + identity + " (" + std::to_string(r.span.matches) + "/" +
           std::to_string(r.row1.size()) + "), " + std::to_string(r.anchors.size()) + " anchors>";
}

// Where the rows change between a residue and a gap, in either row: the
// coordinates a Bio.Align.Alignment is built from.
std::vector<std::vector<long long>> coordinatesOf(const std::string& row1, const std::string& row2) {
    std::vector<std::vector<long long>> at(2, std::vector<long long>{0});
    long long i = 0, j = 0;
    int last = -1;  // residues in the last column: 1 row 1, 2 row 2, 3 both
    for (std::size_t c = 0; c < std::min(row1.size(), row2.size()); ++c) {
        const int kind = (row1[c] != '-' ? 1 : 0) | (row2[c] != '-' ? 2 : 0);
        if (kind == 0) continue;
        if (last != -1 && kind != last) {
            at[0].push_back(i);
            at[1].push_back(j);
        }
        last = kind;
        i += kind & 1;
        j += kind >> 1;
    }
    at[0].push_back(i);
    at[1].push_back(j);
    return at;
}

std::string withoutGaps(const std::string& row) {
    std::string residues;
    for (char c : row)
        if (c != '-') residues += c;
    return residues;
}

py::object toBiopython(const PythonResult& r) {
    const py::module_ align = py::module_::import("Bio.Align");
    const py::module_ seq = py::module_::import("Bio.Seq");
    const py::module_ record = py::module_::import("Bio.SeqRecord");
    const py::module_ numpy = py::module_::import("numpy");
    auto member = [&](const std::string& row, const std::string& name) {
        return record.attr("SeqRecord")(seq.attr("Seq")(withoutGaps(row)), "id"_a = torva::nameWord(name),
                                        "description"_a = name);
    };
    py::list sequences;
    sequences.append(member(r.row1, r.name1));
    std::vector<std::vector<long long>> coordinates = coordinatesOf(r.row1, r.row2);
    if (r.strand == torva::Strand::minus) {
        // Sequence 2 on its forward strand, its coordinates running down, as
        // Biopython writes an alignment to the reverse strand.
        const std::string forward = torva::reverseComplement(withoutGaps(r.row2));
        sequences.append(record.attr("SeqRecord")(seq.attr("Seq")(forward), "id"_a = torva::nameWord(r.name2),
                                                  "description"_a = r.name2));
        const long long length2 = static_cast<long long>(forward.size());
        for (long long& at : coordinates[1]) at = length2 - at;
    } else {
        sequences.append(member(r.row2, r.name2));
    }
    return align.attr("Alignment")(sequences, numpy.attr("array")(coordinates));
}

// A Result travels as its fields (a matrix as letters, scores and title), so
// that it can be sent to a process pool; the span is made again.
py::tuple resultState(const PythonResult& r) {
    py::list anchors;
    for (const torva::Anchor& a : r.anchors)
        anchors.append(py::make_tuple(a.begin1, a.end1, a.begin2, a.end2, a.score, a.row1, a.row2,
                                      a.listed, a.used));
    return py::make_tuple(r.row1, r.row2, r.score, r.anchorScore, anchors, r.cigar, r.warnings,
                          r.matrix, r.name1, r.name2, r.strand == torva::Strand::minus);
}

PythonResult resultFromState(const py::tuple& state) {
    if (state.size() != 11) throw std::runtime_error("not the state of a torva.Result");
    torva::Result result;
    result.row1 = state[0].cast<std::string>();
    result.row2 = state[1].cast<std::string>();
    result.score = state[2].cast<int>();
    result.anchorScore = state[3].cast<int>();
    for (const py::handle fields : state[4].cast<py::list>()) {
        const py::tuple f = fields.cast<py::tuple>();
        torva::Anchor a;
        a.begin1 = f[0].cast<long long>();
        a.end1 = f[1].cast<long long>();
        a.begin2 = f[2].cast<long long>();
        a.end2 = f[3].cast<long long>();
        a.score = f[4].cast<int>();
        a.row1 = f[5].cast<std::string>();
        a.row2 = f[6].cast<std::string>();
        a.listed = f[7].cast<bool>();
        a.used = f[8].cast<bool>();
        result.anchors.push_back(std::move(a));
    }
    result.cigar = state[5].cast<std::string>();
    result.warnings = state[6].cast<std::vector<std::string>>();
    result.strand = state[10].cast<bool>() ? torva::Strand::minus : torva::Strand::plus;
    return PythonResult(std::move(result), state[7].cast<torva::Matrix>(),
                        state[8].cast<std::string>(), state[9].cast<std::string>());
}

}  // namespace

PythonResult::PythonResult(torva::Result result, torva::Matrix matrix_, std::string name1_,
                           std::string name2_)
    : torva::Result(std::move(result)), matrix(std::move(matrix_)), name1(std::move(name1_)),
      name2(std::move(name2_)), span(torva::alignedSpan(*this)) {}

torva::Matrix matrixOf(const torva::Options& options) {
    if (options.matrix) return *options.matrix;
    return options.protein ? torva::Matrix::protein() : torva::Matrix::dna();
}

std::string pythonWarningText(const std::string& programText) {
    std::string text = programText;
    for (const char* program : {"torva: ", "torva-b: "})
        if (text.rfind(program, 0) == 0) text.erase(0, std::string(program).size());
    if (text.rfind("warning: ", 0) == 0) text.erase(0, 9);
    replaceAll(text, "use -P to align protein",
               "pass protein=True (or a protein matrix such as matrix=\"BLOSUM62\") to align protein");
    replaceAll(text, "leave out -P and the protein matrix",
               "leave out protein=True and the protein matrix");
    return text;
}

void issueWarnings(std::vector<std::string>& texts) {
    for (std::string& text : texts) {
        text = pythonWarningText(text);
        if (PyErr_WarnEx(torvaWarning, text.c_str(), 1) != 0) throw py::error_already_set();
    }
}

void bindResult(py::module_& m) {
    torvaWarning = PyErr_NewExceptionWithDoc(
        "torva.TorvaWarning",
        "The category of the warnings torva issues about a pair; filter them with "
        "warnings.filterwarnings(action, category=torva.TorvaWarning).",
        PyExc_UserWarning, nullptr);
    if (torvaWarning == nullptr) throw py::error_already_set();
    m.add_object("TorvaWarning", py::handle(torvaWarning));

    py::class_<PythonResult>(m, "Result", "The global alignment of one pair.")
        .def_readonly("row1", &PythonResult::row1, "Aligned sequence 1, lower case, '-' for gaps.")
        .def_readonly("row2", &PythonResult::row2)
        .def_readonly("score", &PythonResult::score)
        .def_readonly("anchor_score", &PythonResult::anchorScore,
                      "Sum of the anchors used (0 when none beat the cutoff).")
        .def_readonly("anchors", &PythonResult::anchors)
        .def_property_readonly(
            "cigar",
            [](const PythonResult& r) { return r.span.cigar; },
            "The columns from start1/start2 to end1/end2, run-length coded as the PAF cg:Z: "
            "tag of the programs: '=' equal, 'X' different, 'I' residue of sequence 1 against "
            "a gap, 'D' residue of sequence 2 against a gap.")
        .def_readonly("full_cigar", &PythonResult::cigar,
                      "The same for every column of row1 and row2, overhangs included.")
        .def_property_readonly(
            "strand", [](const PythonResult& r) { return r.strand == torva::Strand::minus ? "minus" : "plus"; },
            "\"minus\" when seq2 was aligned reverse-complemented: row2, the anchors and the "
            "positions in seq2 are then those of its reverse complement; format() numbers it "
            "downwards and to_biopython() gives it on its forward strand, running down.")
        .def_readonly("warnings", &PythonResult::warnings,
                      "The texts of the warnings issued for this pair.")
        .def_readonly("name1", &PythonResult::name1,
                      "Name of sequence 1: from the file with align_file, else \"seq1\".")
        .def_readonly("name2", &PythonResult::name2)
        .def_property_readonly("start1", [](const PythonResult& r) { return r.span.begin1; },
                               "Where the aligned span starts on sequence 1 (0-based): the "
                               "first column in which both rows hold a residue, as in PAF.")
        .def_property_readonly("end1", [](const PythonResult& r) { return r.span.end1; },
                               "Where the span ends on sequence 1 (exclusive).")
        .def_property_readonly("start2", [](const PythonResult& r) { return r.span.begin2; })
        .def_property_readonly("end2", [](const PythonResult& r) { return r.span.end2; })
        .def_property_readonly("matches", [](const PythonResult& r) { return r.span.matches; },
                               "Identical residues in the span.")
        .def_property_readonly("columns", [](const PythonResult& r) { return r.span.columns; },
                               "Columns of the span, gaps included: PAF's alignment block length "
                               "(column 11). matches / columns is PAF's ratio, not `identity`.")
        .def_property_readonly("identity", &identityOf,
                               "Identical columns / all alignment columns (len(row1)), from 0 to 1 "
                               "(0 for no column): the identity the programs' view, report and "
                               "picture give.")
        .def(
            "format",
            [](const PythonResult& r, std::size_t width) {
                return torva::view(r, r.matrix, r.name1, r.name2, width);
            },
            "width"_a = 60,
            "The alignment to read: blocks of `width` columns with the 1-based positions of "
            "their first and last residues, and a line that marks '|' identical residues, ':' "
            "pairs the matrix scores above 0, '.' other pairs and ' ' gaps.")
        .def("__str__",
             [](const PythonResult& r) {
                 return torva::view(r, r.matrix, r.name1, r.name2);
             })
        .def("__repr__", &reprOf)
        .def("to_biopython", &toBiopython,
             "The alignment as a Bio.Align.Alignment of two SeqRecords (ids name1 and name2, "
             "lower-case letters); ImportError without Biopython.")
        .def(py::pickle(&resultState, &resultFromState));
}
