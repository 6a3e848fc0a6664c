#include "python/errors.h"

#include <cerrno>

namespace py = pybind11;

void RegisterErrors(py::module_& m) {
    // A KeyError whose message reads as written: KeyError itself shows its argument's repr.
    // Kept for the life of the process: it must never be released after the interpreter.
    static auto& unknownName =
        *new py::exception<UnknownNameError>(m, "UnknownParameterError", PyExc_KeyError);
    unknownName.attr("__str__") = py::module_::import("builtins").attr("Exception").attr("__str__");
    unknownName.doc() = "A name that is no parameter or sub-map slot of the map (a KeyError).";

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const UnknownNameError& e) {
            unknownName(e.what());
        } catch (const MissingFileError& e) {
            // FileNotFoundError(errno, message, filename), as open() raises it.
            const py::object error = py::reinterpret_borrow<py::object>(PyExc_FileNotFoundError)(
                ENOENT, e.what(), e.Path().string());
            PyErr_SetObject(PyExc_FileNotFoundError, error.ptr());
        } catch (const WriteError& e) {
            PyErr_SetString(PyExc_OSError, e.what());
        } catch (const ToolError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });
}
