#include <cctype>
#include <map>
#include <mutex>

#include "api/BuiltinMatrices.hpp"
#include "torva/torva.hpp"

namespace torva {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(a[k])) !=
            std::toupper(static_cast<unsigned char>(b[k])))
            return false;
    return true;
}

std::string nameList() {
    std::string list;
    for (const NamedMatrixText& m : builtinNamedMatrices())
        list += (list.empty() ? "" : ", ") + std::string(m.name);
    return list;
}

}  // namespace

std::vector<std::string> Matrix::names() {
    std::vector<std::string> out;
    for (const NamedMatrixText& m : builtinNamedMatrices()) out.emplace_back(m.name);
    return out;
}

Matrix Matrix::named(std::string_view name) {
    // Each table is parsed once; copies share it.
    static std::mutex guard;
    static std::map<std::string_view, Matrix> parsed;
    for (const NamedMatrixText& m : builtinNamedMatrices()) {
        if (!sameName(m.name, name)) continue;
        std::lock_guard<std::mutex> lock(guard);
        auto found = parsed.find(m.name);
        if (found == parsed.end()) found = parsed.emplace(m.name, fromText(m.text)).first;
        return found->second;
    }
    throw std::invalid_argument("no matrix is named \"" + std::string(name) +
                                "\"; the known names are " + nameList());
}

std::optional<Matrix> findMatrix(std::string_view name) {
    for (const NamedMatrixText& m : builtinNamedMatrices())
        if (sameName(m.name, name)) return Matrix::named(m.name);
    return std::nullopt;
}

}  // namespace torva
