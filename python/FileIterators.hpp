#pragma once

#include <string>

#include <pybind11/pybind11.h>

#include "torva/torva.hpp"

// torva.read_fasta(path or file object): each record of a FASTA file, plain
// or gzip (a path) or as the file object reads it, by the programs' own
// reader, named as the programs name it.
pybind11::object readFasta(const pybind11::object& source);

// torva.align_file(path, ...): the results of the file's pairs (records 1
// and 2, 3 and 4, ...) in input order, aligned a batch at a time on
// options.threads threads.
pybind11::object alignFile(const pybind11::object& source, const torva::Options& options);

// Defines the iterator types the two return.
void bindFileIterators(pybind11::module_& m);
