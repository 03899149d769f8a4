// Pieces of the C++20 library that the libc++ of Debian's emscripten lacks, given to the
// browser build only (included ahead of every source file by web/CMakeLists.txt). Each
// is used only where the library does not have its own.
#pragma once

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <version>

namespace std {

#if !defined(__cpp_lib_bit_cast)
// The bits of `from` read as a `To` of the same size.
template <class To, class From>
    requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
             is_trivially_copyable_v<From>)
To bit_cast(const From& from) noexcept {
    To to;
    memcpy(&to, &from, sizeof to);
    return to;
}
#endif

#if !defined(__cpp_lib_to_chars)
// A decimal number read as a double, rounded as strtod rounds (musl's strtod is exact).
// Only for numbers whose form the caller has checked: the whole range is taken.
inline from_chars_result from_chars(const char* first, const char* last, double& value) {
    const string text(first, last);
    char* end = nullptr;
    value = strtod(text.c_str(), &end);
    return {first + (end - text.c_str()), errc{}};
}
#endif

}  // namespace std
