// What the shipped exe does when an exception escapes: it ends, as it would anyway.
//
// libstdc++'s default handler first writes the exception's type to stderr, which a GUI program
// has not got, and to name the type it links the C++ name demangler and the C library's printf
// (about 60 KB of the exe). Defining the handler here keeps that library member out.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
