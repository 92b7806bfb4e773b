#include "Keywords.hpp"

#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

#include <pybind11/stl/filesystem.h>

#include "common/CpuCount.hpp"

namespace py = pybind11;

namespace {

// The programs take at most this many threads with -t.
constexpr int kMaxThreads = 256;

std::string knownNames() {
    std::string list;
    for (const std::string& name : torva::Matrix::names()) list += (list.empty() ? "" : ", ") + name;
    return list;
}

}  // namespace

std::optional<torva::Matrix> matrixKeyword(const py::object& value) {
    if (value.is_none()) return std::nullopt;
    if (py::isinstance<torva::Matrix>(value)) return value.cast<torva::Matrix>();
    const bool isText = py::isinstance<py::str>(value);
    if (isText) {
        const std::string name = value.cast<std::string>();
        for (const std::string& known : torva::Matrix::names()) {
            if (known.size() != name.size()) continue;
            bool same = true;
            for (std::size_t k = 0; k < name.size() && same; ++k)
                same = std::toupper(static_cast<unsigned char>(known[k])) ==
                       std::toupper(static_cast<unsigned char>(name[k]));
            if (same) return torva::Matrix::named(known);
        }
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
                         ") or the path of a matrix file, not " +
                         std::string(py::str(py::type::of(value).attr("__name__"))));
}

int rangeKeyword(const char* name, int value, int low, int high) {
    if (value < low || value > high)
        throw py::value_error(std::string(name) + "=" + std::to_string(value) + " lies outside " +
                              std::to_string(low) + ".." + std::to_string(high));
    return value;
}

unsigned threadsKeyword(const std::optional<int>& threads) {
    if (!threads) return static_cast<unsigned>(usableCores());
    if (*threads < 1 || *threads > kMaxThreads)
        throw py::value_error("threads=" + std::to_string(*threads) + " lies outside 1.." +
                              std::to_string(kMaxThreads) +
                              "; None uses every core this process may use (" +
                              std::to_string(usableCores()) + " here)");
    return static_cast<unsigned>(*threads);
}
