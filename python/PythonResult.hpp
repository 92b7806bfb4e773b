#pragma once

#include <string>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "torva/torva.hpp"

// torva.Result: the library's result with what Python users look up on it,
// the span and identity as PAF gives them, and the names and the matrix its
// readable view needs.
struct PythonResult : torva::Result {
    torva::Matrix matrix;  // the matrix the pair was scored with
    std::string name1, name2;
    torva::AlignedSpan span;  // of row1 and row2

    PythonResult(torva::Result result, torva::Matrix matrix, std::string name1, std::string name2);
};

// The matrix `options` ends up aligning with.
torva::Matrix matrixOf(const torva::Options& options);

// A warning as the programs print it, told the way a Python caller acts on
// it: keywords instead of flags, no "warning:" prefix.
std::string pythonWarningText(const std::string& programText);

// Rewords `texts` in place and issues each as a torva.TorvaWarning; needs the
// GIL. Throws py::error_already_set when a filter turns a warning into an
// error.
void issueWarnings(std::vector<std::string>& texts);

// Defines torva.Result and torva.TorvaWarning.
void bindResult(pybind11::module_& m);
