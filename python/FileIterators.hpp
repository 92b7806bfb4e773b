#pragma once

#include <string>

#include <pybind11/pybind11.h>

#include "torva/torva.hpp"

// torva.read_fasta(path): (name, sequence) of each record of a FASTA file,
// plain or gzip, read by the programs' own reader.
pybind11::object readFasta(const std::string& path);

// torva.align_file(path, ...): the results of the file's pairs (records 1
// and 2, 3 and 4, ...) in input order, aligned a batch at a time on
// options.threads threads.
pybind11::object alignFile(const std::string& path, const torva::Options& options);

// Defines the iterator types the two return.
void bindFileIterators(pybind11::module_& m);
