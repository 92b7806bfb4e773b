#include "PythonFileStream.hpp"

namespace py = pybind11;

PythonFileBuffer::~PythonFileBuffer() {
    // The stream may be destroyed where the GIL is not held.
    py::gil_scoped_acquire locked;
    file_ = py::object();
}

PythonFileBuffer::int_type PythonFileBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    py::gil_scoped_acquire locked;
    // An exception from read() reaches the reader's caller as it is.
    const py::object data = file_.attr("read")(1 << 16);
    if (py::isinstance<py::str>(data)) {
        chunk_ = data.cast<std::string>();
    } else if (py::isinstance<py::bytes>(data)) {
        chunk_ = data.cast<std::string>();
    } else {
        throw py::type_error("read() of the file object gave " +
                             std::string(py::str(py::type::of(data).attr("__name__"))) +
                             ", not str or bytes");
    }
    if (chunk_.empty()) return traits_type::eof();
    setg(chunk_.data(), chunk_.data(), chunk_.data() + chunk_.size());
    return traits_type::to_int_type(*gptr());
}
