// The owner of a BSTR, which frees the string when the owner goes.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>

class Bstr {
public:
    Bstr() = default;
    // Holds no string when the allocation fails; the caller decides what that means.
    explicit Bstr(const wchar_t* text) : text_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return text_; }
    // The slot for a call that hands out a string, emptied first so that
    // nothing it held leaks.
    BSTR* Out() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    // A BSTR carries its length, and may hold nulls, so the length is not searched for.
    std::wstring_view View() const {
        return text_ != nullptr ? std::wstring_view(text_, SysStringLen(text_)) : std::wstring_view();
    }

private:
    BSTR text_ = nullptr;
};
