// The failures the program raises. Each class names its kind; the catch sites
// hand them to the error display, which shows Message() and, for the start-up
// failure box, ClassName() and the code address the failure was raised at.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message);
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    virtual const char* ClassName() const { return "Exception"; }
    // Code address inside the module that raised the failure; the start-up
    // failure box names the module and the offset from it.
    const void* Address() const { return address_; }

private:
    std::string message_;
    const void* address_;
};

#define QB_EXCEPTION_CLASS(Name, Base)                                                                                 \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
        const char* ClassName() const override { return #Name; }                                                       \
    }

// Raised by handlers that want to stop what they do without telling anybody.
QB_EXCEPTION_CLASS(EAbort, Exception);
QB_EXCEPTION_CLASS(EConvertError, Exception);
QB_EXCEPTION_CLASS(EOutOfResources, Exception);
QB_EXCEPTION_CLASS(EInvalidOperation, Exception);
QB_EXCEPTION_CLASS(EResNotFound, Exception);
QB_EXCEPTION_CLASS(EReadError, Exception);

// A failed call into a component object; carries the HRESULT it returned.
class EOleError : public Exception {
public:
    EOleError(std::string message, std::int32_t errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
    const char* ClassName() const override { return "EOleError"; }
    std::int32_t ErrorCode() const { return errorCode_; }

private:
    std::int32_t errorCode_;
};

QB_EXCEPTION_CLASS(EOleSysError, EOleError);
QB_EXCEPTION_CLASS(EOleException, EOleSysError);

#undef QB_EXCEPTION_CLASS

// The code address that a run-time error names for a failure: the raise site
// of an Exception, null for anything else and when there is no failure at
// all (a terminate with no exception in flight: a pure virtual call, a bare
// std::terminate).
const void* FailureAddress(const std::exception_ptr& error) noexcept;
