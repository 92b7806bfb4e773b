#include "input/RecordWarnings.hpp"

#include "common/Message.hpp"

std::string recordWarning(long record, std::string_view name, std::string_view what) {
    std::string text = "warning: record " + std::to_string(record) + " (" + shownName(name) + ") ";
    text += what;
    return text;
}
