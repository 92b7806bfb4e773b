#include "PythonResult.hpp"

#include <cstdio>
#include <utility>

#include "BlockedView.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

PyObject* torvaWarning = nullptr;  // torva.TorvaWarning, alive as long as the module

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string firstWord(const std::string& name) {
    const std::string word = name.substr(0, name.find_first_of(" \t"));
    return word.empty() ? "*" : word;
}

// Identical columns / all alignment columns: the identity the programs' view,
// report and picture give.
double identityOf(const PythonResult& r) {
    return r.row1.empty() ? 0.0 : static_cast<double>(r.span.matches) / static_cast<double>(r.row1.size());
}

std::string reprOf(const PythonResult& r) {
    char identity[16];
    std::snprintf(identity, sizeof identity, "%.4f", identityOf(r));
    return "<torva.Result " + firstWord(r.name1) + " " + std::to_string(r.span.start1) + ".." +
           std::to_string(r.span.end1) + " / " + firstWord(r.name2) + " " + std::to_string(r.span.start2) +
           ".." + std::to_string(r.span.end2) + ", score " + std::to_string(r.score) +
           ", identity " + identity + " (" + std::to_string(r.span.matches) + "/" +
           std::to_string(r.row1.size()) + "), " + std::to_string(r.anchors.size()) + " anchors>";
}

}  // namespace

PythonResult::PythonResult(torva::Result result, torva::Matrix matrix_, std::string name1_,
                           std::string name2_)
    : torva::Result(std::move(result)), matrix(std::move(matrix_)), name1(std::move(name1_)),
      name2(std::move(name2_)), span(alignedSpan(row1, row2)) {}

torva::Matrix matrixOf(const torva::Options& options) {
    if (options.matrix) return *options.matrix;
    return options.protein ? torva::Matrix::protein() : torva::Matrix::dna();
}

std::string pythonWarningText(const std::string& programText) {
    std::string text = programText;
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
        .def_readonly("cigar", &PythonResult::cigar,
                      "Run-length coded columns: '=' equal, 'X' different, 'I' residue of "
                      "sequence 1 against a gap, 'D' residue of sequence 2 against a gap.")
        .def_readonly("warnings", &PythonResult::warnings,
                      "The texts of the warnings issued for this pair.")
        .def_readonly("name1", &PythonResult::name1,
                      "Name of sequence 1: from the file with align_file, else \"seq1\".")
        .def_readonly("name2", &PythonResult::name2)
        .def_property_readonly("start1", [](const PythonResult& r) { return r.span.start1; },
                               "Where the aligned span starts on sequence 1 (0-based): the "
                               "first column in which both rows hold a residue, as in PAF.")
        .def_property_readonly("end1", [](const PythonResult& r) { return r.span.end1; },
                               "Where the span ends on sequence 1 (exclusive).")
        .def_property_readonly("start2", [](const PythonResult& r) { return r.span.start2; })
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
                return blockedView(r.row1, r.row2, r.name1, r.name2, r.matrix, width);
            },
            "width"_a = 60,
            "The alignment to read: blocks of `width` columns with the 1-based positions of "
            "their first and last residues, and a line that marks '|' identical residues, ':' "
            "pairs the matrix scores above 0, '.' other pairs and ' ' gaps.")
        .def("__str__",
             [](const PythonResult& r) {
                 return blockedView(r.row1, r.row2, r.name1, r.name2, r.matrix);
             })
        .def("__repr__", &reprOf);
}
