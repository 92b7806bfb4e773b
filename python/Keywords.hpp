#pragma once

#include <optional>

#include <pybind11/pybind11.h>

#include "torva/torva.hpp"

// The keyword arguments as Python callers give them, checked one by one so
// that an error names the keyword and the values it takes.

// None, a torva.Matrix, the name of a shipped matrix (any case), or the path
// of a matrix file (str or os.PathLike). ValueError lists the names.
std::optional<torva::Matrix> matrixKeyword(const pybind11::object& value);

// `value` when it lies within low..high; otherwise ValueError
// "NAME=VALUE lies outside LOW..HIGH".
int rangeKeyword(const char* name, int value, int low, int high);

// None: every core this process may use (affinity and cgroup quota), as the
// programs do without -t. Otherwise 1..256, as -t takes.
unsigned threadsKeyword(const std::optional<int>& threads);
