// libstdc++'s default terminate handler prints a demangled type name, which
// links in the whole demangler (some 45 KB); an uncaught exception here just
// ends the program, as it does with other compilers.
#include <cstdlib>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
