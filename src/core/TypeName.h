// Readable names of C++ types, for the start-up failure box when what failed
// is not one of the program's own exceptions.
#pragma once

#include <string>
#include <string_view>

// Reads the name the compiler gives a class in its type information (the
// Itanium C++ ABI's mangling, as GCC and Clang use on every target) and
// writes it as source code does: "St9bad_alloc" becomes "std::bad_alloc",
// "N2ns5InnerE" becomes "ns::Inner". Only plain and namespace-qualified class
// names are read; anything else (templates, local classes) comes back as
// given, which still identifies the type.
std::string ReadableTypeName(std::string_view mangled);
