#pragma once

#include <string>
#include <vector>

#include <pybind11/pybind11.h>

// One call's arguments matched to its parameters the way Python matches
// them, with a TypeError that names the parameter and lists the ones the
// function takes, where pybind11's own matching would print every overload
// it tried.
class CallArguments {
public:
    // `names`: the parameters in order. The first `positional` of them may be
    // given by position and must be given; the others are keywords.
    CallArguments(const char* function, std::vector<const char*> names, std::size_t positional,
                  const pybind11::args& args, const pybind11::kwargs& kwargs);

    // What was given for `name`; None when nothing was.
    pybind11::object operator[](const char* name) const;

private:
    [[noreturn]] void refuse(const std::string& why) const;
    std::string signature() const;

    std::string function_;
    std::vector<const char*> names_;
    std::size_t positional_;
    std::vector<pybind11::object> values_;
};
