// libFuzzer target for the two readers of outside text: the first byte picks the interval parser, held to the shared
// number model, or the form reader, which must parse or raise its own EReadError. Any other exception escapes and
// aborts, like a difference from the model, so libFuzzer keeps the input.
#include "Exceptions.h"
#include "FormDefinition.h"
#include "IntParse.h"
#include "NumberModel.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (~data[0] & 1) return TryStrToInt(text) == ModelStrToInt(text) ? 0 : (std::abort(), 0);
    try {
        ParseFormDefinition(text);
    } catch (const EReadError&) {}
    return 0;
}
