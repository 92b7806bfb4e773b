#include "cli/MatrixByName.hpp"

#include <sys/stat.h>

#include <cctype>
#include <sstream>

#include "cli/CommandLine.hpp"

namespace {

bool isFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The known name `given` matches ignoring case, or "".
std::string knownName(const std::string& given) {
    for (const std::string& name : knownMatrixNames())
        if (upper(name) == upper(given)) return name;
    return "";
}

// The installed file for `name`, or "".
std::string installedFile(const std::string& name, const std::string& programPath) {
    const std::string path = defaultMatrixPath(programDirectory(programPath), name,
                                               TORVA_DATA_DIR, executableShareDirectory());
    return isFile(path) ? path : "";
}

}  // namespace

std::vector<std::string> knownMatrixNames() {
    std::vector<std::string> names;
    std::istringstream in(TORVA_MATRIX_NAMES);
    for (std::string name; in >> name;) names.push_back(name);
    return names;
}

std::string matrixFileFor(const std::string& given, const std::string& programPath) {
    if (given.empty() || given.find('/') != std::string::npos || isFile(given)) return given;
    if (std::string found = installedFile(given, programPath); !found.empty()) return found;
    const std::string name = knownName(given);
    if (!name.empty() && name != given)
        if (std::string found = installedFile(name, programPath); !found.empty()) return found;
    return given;
}

bool isUnknownMatrixName(const std::string& given) {
    return !given.empty() && given.find('/') == std::string::npos && !isFile(given) &&
           knownName(given).empty();
}
