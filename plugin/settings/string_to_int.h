// Locale-independent text to 32-bit integer conversion used for the settings
// file, with std::stoi's error behaviour.
#pragma once

#include <cstdint>

// Reads an integer from the start of text the way strtol does, then checks it
// fits in int32_t. base 0 picks hexadecimal after "0x"/"0X", octal after a
// leading '0', decimal otherwise; base 10 always reads decimal. Any other base
// is read as decimal. Trailing bytes after the digits are ignored.
// Throws std::invalid_argument("invalid stoi argument") when no digit is
// found and std::out_of_range("stoi argument out of range") when the value
// does not fit.
int32_t StringToInt(const char* text, int base);
