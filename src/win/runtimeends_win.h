#pragma once
// How the runtime ends a fault of its own, for the two programs: included
// by each program's main file and nowhere else (these are definitions).
//
// The runtime's own versions print an uncaught exception's type through its
// demangler, and raise the standard exceptions (length_error, out_of_range,
// ...) with a message held in a reference-counted string of the old kind.
// The program never looks at either: an exception that reaches a window
// procedure is caught whole (catch (...)) and the message is dropped. Yet
// the two pull in a demangler and a second string library, a sixth of the
// exe. Defined here, in a file the linker reads before the runtime's
// archive, these are taken instead: the same faults still unwind as an
// exception to the same catch, without the text.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace quellar::win {

// What a fault of the runtime's own (a string asked for past its end, a
// container asked for more than it can hold) throws in this program.
struct RuntimeFault : std::exception {
    const char* what() const noexcept override { return "a fault in the runtime library"; }
};

}  // namespace quellar::win

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

// All of the runtime's raisers live in one piece of it, which the linker
// takes whole for any one of them: so all are here. Those whose exceptions
// hold no text raise them as the runtime does (a failed allocation is still
// a bad_alloc, which the memory claim catches).
namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_domain_error(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_invalid_argument(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_length_error(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_out_of_range(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_out_of_range_fmt(const char*, ...) { throw quellar::win::RuntimeFault{}; }
void __throw_runtime_error(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_range_error(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_overflow_error(const char*) { throw quellar::win::RuntimeFault{}; }
void __throw_underflow_error(const char*) { throw quellar::win::RuntimeFault{}; }
}  // namespace std
