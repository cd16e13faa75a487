#include "TypeName.h"

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <typeinfo>

namespace outer::inner {
struct Failure {};
}  // namespace outer::inner

namespace {

struct Hidden {};

template <typename T>
struct Wrapped {};

std::string RuntimeDemangled(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                     &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string();
}

// The compiler's own names, read back and compared with what the runtime's
// demangler makes of them.
TEST(TypeName, AgreesWithTheRuntimeOnClassNames) {
    const std::type_info* types[] = {
        &typeid(std::bad_alloc), &typeid(std::length_error), &typeid(std::exception),
        &typeid(outer::inner::Failure), &typeid(Hidden), &typeid(std::bad_function_call),
    };
    for (const std::type_info* type : types) {
        EXPECT_EQ(ReadableTypeName(type->name()), RuntimeDemangled(*type)) << type->name();
    }
}

TEST(TypeName, GivesBackWhatItCannotRead) {
    const std::string unreadable[] = {
        typeid(Wrapped<int>).name(),  // a template
        typeid(int).name(),           // a built-in type
        "",
        "NE",
        "N3abcE5extra",
        "5abc",       // shorter than its length
        "03abc",      // leading zero
        "St",
        "99999999999999999999999a",  // length beyond any identifier
    };
    for (const std::string& name : unreadable) {
        EXPECT_EQ(ReadableTypeName(name), name) << name;
    }
}

}  // namespace
