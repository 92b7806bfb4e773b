#pragma once

#include <optional>
#include <string>

#include <pybind11/pybind11.h>

#include "torva/torva.hpp"

// The keyword arguments as Python callers give them, checked one by one so
// that an error names the keyword and the values it takes: TypeError for a
// value of the wrong type, ValueError for one out of range.

// None, a torva.Matrix, the name of a shipped matrix (any case), or the path
// of a matrix file (str or os.PathLike). ValueError lists the names.
std::optional<torva::Matrix> matrixKeyword(const pybind11::object& value);

// None, or a whole number (int, or anything with __index__; not bool) within
// low..high; otherwise ValueError "NAME=VALUE lies outside LOW..HIGH" and
// `hint`, however large the number.
std::optional<long long> wholeKeyword(const char* name, const pybind11::object& value,
                                      long long low, long long high, const std::string& hint = "");

// True or False (None: `absent`).
bool switchKeyword(const char* name, const pybind11::object& value, bool absent);

// A str (None: `absent`).
std::string textKeyword(const char* name, const pybind11::object& value, const char* absent);

// None: every core this process may use (affinity and cgroup quota), as the
// programs do without -t. Otherwise 1 to torva::limits().maxThreads, as -t takes.
unsigned threadsKeyword(const pybind11::object& threads);

// None (0: what the programs allow themselves) or a positive number of bytes.
unsigned long long memoryKeyword(const pybind11::object& value);

// The letters of a sequence given as a str, bytes, a Biopython Seq or
// SeqRecord (its .seq), or anything else whose str() is letters; TypeError
// naming `name` for other values.
std::string sequenceArgument(const std::string& name, const pybind11::object& value);
