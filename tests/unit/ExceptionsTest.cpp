// The failure classes: their names, messages and the raise address that the
// start-up failure box reports.
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

template <typename E>
std::function<void()> Raiser(const char* message) {
    return [message] { throw E(message); };
}

TEST(Exceptions, ClassNamesAndMessages) {
    struct Case {
        std::function<void()> raise;
        std::string className;
    };
    const Case cases[] = {
        {Raiser<Exception>("m"), "Exception"},
        {Raiser<EAbort>("m"), "EAbort"},
        {Raiser<EConvertError>("m"), "EConvertError"},
        {Raiser<EOutOfResources>("m"), "EOutOfResources"},
        {Raiser<EInvalidOperation>("m"), "EInvalidOperation"},
        {Raiser<EResNotFound>("m"), "EResNotFound"},
        {Raiser<EReadError>("m"), "EReadError"},
        {[] { throw EOleError("m", 1); }, "EOleError"},
        {[] { throw EOleSysError("m", 1); }, "EOleSysError"},
        {[] { throw EOleException("m", 1); }, "EOleException"},
    };
    for (const auto& [raise, className] : cases) {
        try {
            raise();
            ADD_FAILURE() << className << " was not raised";
        } catch (const Exception& error) {
            EXPECT_EQ(error.ClassName(), className);
            EXPECT_EQ(error.Message(), "m") << className;
            EXPECT_STREQ(error.what(), "m") << className;
            EXPECT_NE(error.Address(), nullptr) << className;
        }
    }
}

TEST(Exceptions, OleErrorsCarryTheirCode) {
    try {
        throw EOleException("Unspecified error", static_cast<std::int32_t>(0x80004005));
    } catch (const EOleError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.ErrorCode()), 0x80004005u);
        EXPECT_STREQ(error.ClassName(), "EOleException");
    }
}

TEST(Exceptions, AddressIsTheRaiseSite) {
    const Exception first("a");
    const Exception second("b");
    EXPECT_NE(first.Address(), second.Address()) << "two raise sites give two addresses";
    EXPECT_NE(first.Address(), nullptr);
}

}  // namespace
