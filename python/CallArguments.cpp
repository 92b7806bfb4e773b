#include "CallArguments.hpp"

#include <cstring>

namespace py = pybind11;

CallArguments::CallArguments(const char* function, std::vector<const char*> names,
                             std::size_t positional, const py::args& args, const py::kwargs& kwargs)
    : function_(function), names_(std::move(names)), positional_(positional),
      values_(names_.size(), py::none()) {
    std::vector<bool> given(names_.size(), false);
    if (args.size() > positional_)
        refuse("takes " + std::to_string(positional_) + " positional argument" +
               (positional_ == 1 ? "" : "s") + " but " + std::to_string(args.size()) +
               " were given; the options are keywords");
    for (std::size_t k = 0; k < args.size(); ++k) {
        values_[k] = py::reinterpret_borrow<py::object>(args[k]);
        given[k] = true;
    }
    for (const auto& [key, value] : kwargs) {
        const std::string name = py::str(key);
        std::size_t k = 0;
        while (k < names_.size() && name != names_[k]) ++k;
        if (k == names_.size()) {
            // The closest parameter name, if one is close: most misspellings
            // drop or add an underscore or a letter.
            py::list candidates;
            for (const char* n : names_) candidates.append(n);
            const py::list close =
                py::module_::import("difflib").attr("get_close_matches")(name, candidates, 1);
            const std::string hint =
                close.empty() ? "" : " (did you mean " + std::string(py::str(close[0])) + "?)";
            refuse("got an unexpected keyword argument '" + name + "'" + hint);
        }
        if (given[k]) refuse("got multiple values for argument '" + name + "'");
        values_[k] = py::reinterpret_borrow<py::object>(value);
        given[k] = true;
    }
    for (std::size_t k = 0; k < positional_; ++k)
        if (!given[k]) refuse(std::string("missing required argument '") + names_[k] + "'");
}

py::object CallArguments::operator[](const char* name) const {
    for (std::size_t k = 0; k < names_.size(); ++k)
        if (std::strcmp(names_[k], name) == 0) return values_[k];
    throw std::logic_error(std::string("no parameter ") + name);
}

std::string CallArguments::signature() const {
    std::string text = function_ + "(";
    for (std::size_t k = 0; k < names_.size(); ++k) {
        if (k > 0) text += ", ";
        if (k == positional_) text += "*, ";
        text += names_[k];
        if (k >= positional_) text += "=";
    }
    return text + ")";
}

void CallArguments::refuse(const std::string& why) const {
    throw py::type_error(function_ + "() " + why + "; its arguments: " + signature());
}
