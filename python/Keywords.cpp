#include "Keywords.hpp"

#include <climits>
#include <filesystem>
#include <string>
#include <system_error>

#include <pybind11/stl/filesystem.h>

namespace py = pybind11;

namespace {

std::string knownNames() {
    std::string list;
    for (const std::string& name : torva::Matrix::names()) list += (list.empty() ? "" : ", ") + name;
    return list;
}

std::string typeName(const py::object& value) {
    return py::str(py::type::of(value).attr("__name__"));
}

// A value as a message shows it: its repr, cut to a readable length.
std::string shown(const py::object& value) {
    std::string text = py::repr(value);
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

}  // namespace

std::optional<torva::Matrix> matrixKeyword(const py::object& value) {
    if (value.is_none()) return std::nullopt;
    if (py::isinstance<torva::Matrix>(value)) return value.cast<torva::Matrix>();
    const bool isText = py::isinstance<py::str>(value);
    if (isText) {
        if (std::optional<torva::Matrix> named = torva::findMatrix(value.cast<std::string>())) return named;
    }
    if (isText || py::hasattr(value, "__fspath__")) {
        const std::filesystem::path path = value.cast<std::filesystem::path>();
        std::error_code error;
        if (isText && !std::filesystem::exists(path, error))
            throw py::value_error("matrix=\"" + path.string() +
                                  "\" is neither a matrix file nor a known name (" +
                                  knownNames() + ")");
        return torva::Matrix::fromFile(path.string());
    }
    throw py::type_error("matrix= takes a torva.Matrix, a matrix name (" + knownNames() +
                         ") or the path of a matrix file, not " + typeName(value));
}

std::optional<long long> wholeKeyword(const char* name, const py::object& value, long long low,
                                      long long high, const std::string& hint) {
    if (value.is_none()) return std::nullopt;
    // bool is an int to Python, but True as a gap cost is a slip.
    if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr()))
        throw py::type_error(std::string(name) + "= takes a whole number (int) or None, not " +
                             typeName(value) + " (" + shown(value) + ")");
    const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
    if (!number) throw py::error_already_set();
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (n == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow != 0 || n < low || n > high)
        throw py::value_error(std::string(name) + "=" + std::string(py::repr(number)) +
                              " lies outside " + std::to_string(low) + ".." + std::to_string(high) +
                              hint);
    return n;
}

bool switchKeyword(const char* name, const py::object& value, bool absent) {
    if (value.is_none()) return absent;
    if (!PyBool_Check(value.ptr()))
        throw py::type_error(std::string(name) + "= takes True or False, not " + typeName(value) +
                             " (" + shown(value) + ")");
    return value.ptr() == Py_True;
}

std::string textKeyword(const char* name, const py::object& value, const char* absent) {
    if (value.is_none()) return absent;
    if (!py::isinstance<py::str>(value))
        throw py::type_error(std::string(name) + "= takes a str, not " + typeName(value) + " (" +
                             shown(value) + ")");
    return value.cast<std::string>();
}

unsigned threadsKeyword(const py::object& threads) {
    const std::optional<long long> n =
        wholeKeyword("threads", threads, 1, torva::limits().maxThreads,
                     "; None uses every core this process may use (" +
                         std::to_string(torva::usableCores()) + " here)");
    return n ? static_cast<unsigned>(*n) : torva::usableCores();
}

unsigned long long memoryKeyword(const py::object& value) {
    const std::optional<long long> bytes =
        wholeKeyword("memory_limit", value, 1, LLONG_MAX,
                     " bytes; None for what the programs allow themselves");
    return bytes ? static_cast<unsigned long long>(*bytes) : 0;
}

std::string sequenceArgument(const std::string& name, const py::object& value) {
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (py::isinstance<py::bytes>(value)) return value.cast<std::string>();
    if (PyByteArray_Check(value.ptr()))
        return std::string(PyByteArray_AsString(value.ptr()),
                           static_cast<std::size_t>(PyByteArray_Size(value.ptr())));
    // A SeqRecord's str() describes the record; its sequence is .seq.
    if (!value.is_none() && py::hasattr(value, "seq") && py::hasattr(value, "id"))
        return sequenceArgument(name, value.attr("seq"));
    if (!value.is_none()) {
        // A Seq, or any other object whose str() is the sequence: only
        // letters, stop codons and gaps, so that an object printed as
        // "<Foo object at 0x...>" is not aligned as if it were residues.
        std::string text = py::str(value);
        bool letters = true;
        for (char c : text)
            letters = letters && (std::isalpha(static_cast<unsigned char>(c)) || c == '*' || c == '-');
        if (letters) return text;
    }
    throw py::type_error(name + " takes the sequence as a str, bytes, Bio.Seq.Seq, SeqRecord or "
                                "an object whose str() is its letters, not " +
                         typeName(value) + " (" + shown(value) + ")");
}
