// Texts of the error display and of the two last-resort error boxes. All
// texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends "." when the text is not empty and its last character is above "."
// (0x2E): after a letter, digit, colon, question mark, any byte from 0x2F up,
// and after any non-ASCII character; not after ".", "!", ",", ")", '"', "-",
// a space or any other byte up to 0x2E.
std::string WithFullStop(std::string_view text);

// "Exception %s in module %s at %08X.\r\n%s%s\r\n": class name, module file
// name without directory, address relative to the module base, message, and
// "." when the message is not empty and its last byte is not ".". Cut to at
// most 1023 bytes (the box's 1024 characters with the terminating zero),
// never inside a UTF-8 sequence.
std::string FallbackErrorText(std::string_view className, std::string_view moduleName, std::uint32_t relativeAddress,
                              std::string_view message);

// "Runtime error NNN at XXXXXXXX": the number right-aligned in three
// characters, the address as 8 upper-case hexadecimal digits.
std::string RuntimeErrorText(int errorNumber, std::uint32_t address);

// Drops trailing blanks, control characters and full stops.
std::string TrimOleMessage(std::string_view text);

// The message of a failed call into a component object: the error object's
// description, else the system's text for the code, else "OLE error %08X",
// each candidate trimmed by TrimOleMessage before it is judged empty.
std::string OleErrorMessage(std::string_view description, std::string_view systemText, std::int32_t errorCode);
