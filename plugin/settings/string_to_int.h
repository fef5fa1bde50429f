// Locale-independent text to 32-bit integer conversion, with std::stoi's
// exception messages.
#pragma once

#include <cstdint>

// Reads an integer from the start of text after white space and one sign,
// and checks it fits in int32_t. Base 0 picks hexadecimal after "0x"/"0X"
// (the prefix skipped), octal after a leading '0', decimal otherwise; base 10
// (or any other) reads decimal. Bytes after the digits are ignored.
// Throws std::invalid_argument("invalid stoi argument") when no digit is
// found and std::out_of_range("stoi argument out of range") when the value
// does not fit.
int32_t StringToInt(const char* text, int base);

// The six white-space bytes of the settings file and the conversion: space,
// tab, LF, VT, FF and CR. Locale-independent: bytes from 0x80 up never count.
bool IsWhiteSpace(char c);
