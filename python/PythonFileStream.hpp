#pragma once

#include <istream>
#include <streambuf>
#include <string>

#include <pybind11/pybind11.h>

// A Python file object (anything with read(size)) read as a C++ stream, so
// that the programs' reader reads it. Text files are read as UTF-8. Each
// read takes the GIL, so the stream may be read with the GIL released.
class PythonFileBuffer : public std::streambuf {
public:
    explicit PythonFileBuffer(pybind11::object file) : file_(std::move(file)) {}
    ~PythonFileBuffer() override;

protected:
    int_type underflow() override;

private:
    pybind11::object file_;
    std::string chunk_;
};

class PythonFileStream : public std::istream {
public:
    explicit PythonFileStream(pybind11::object file) : std::istream(nullptr), buffer_(std::move(file)) {
        rdbuf(&buffer_);
        // What read() raises reaches the caller instead of ending the input.
        exceptions(std::ios::badbit);
    }

private:
    PythonFileBuffer buffer_;
};
