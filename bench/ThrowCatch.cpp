// The size floor of the C++ runtime alone: linked statically, throwing and
// catching one exception pulls in the unwinder, RTTI and the standard
// exception classes that the viewer carries too.
#include <stdexcept>

int main(int argc, char**) {
    try {
        if (argc > 0) throw std::runtime_error("floor");
    } catch (const std::exception& error) { return error.what()[0] == 'f' ? 0 : 2; }
    return 1;
}
