// What libstdc++ would link in for failures the program never reports in
// their own words. Other compilers' libraries have none of this.
//
// Its default terminate handler prints a demangled type name, which links in
// the whole demangler (some 45 KB); an uncaught exception here just ends the
// program, as it does with other compilers.
//
// Its containers report a length or index out of range by throwing
// std::length_error and its kin, whose object file brings the old
// copy-on-write std::string, std::random_device and the char std::string
// besides (some 60 KB). Thrown as std::bad_alloc instead, such a failure is
// still a std::exception, which a step passes over as it passes over any
// failure of its own.
#include <cstdlib>
#include <new>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_alloc(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { throw bad_alloc(); }
void __throw_out_of_range(const char*) { throw bad_alloc(); }
void __throw_out_of_range_fmt(const char*, ...) { throw bad_alloc(); }
void __throw_invalid_argument(const char*) { throw bad_alloc(); }
void __throw_bad_function_call() { throw bad_alloc(); }
}  // namespace std
#endif
