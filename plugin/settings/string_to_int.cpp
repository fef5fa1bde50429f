// Locale-independent text to 32-bit integer conversion used for the settings
// file and the weather service's condition code, with std::stoi's messages.
#include "settings/string_to_int.h"

#include <stdexcept>

namespace {

// Value of c as a digit, or -1 when it is not a digit of the given base.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

}  // namespace

// Not the C library's isspace: that depends on the locale and may accept
// bytes >= 0x80 such as a Latin-1 no-break space.
bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int32_t StringToInt(const char* text, int base) {
    if (text == nullptr) {
        throw std::invalid_argument("invalid stoi argument");
    }

    const char* p = text;
    while (IsWhiteSpace(*p)) {
        ++p;
    }

    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }

    int radix = 10;
    if (base == 0) {
        // The prefix is skipped whatever follows it, so "0x" alone has no digit.
        if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            radix = 16;
            p += 2;
        } else if (p[0] == '0') {
            radix = 8;
        }
    }

    // The magnitude of INT32_MIN is one more than INT32_MAX.
    const uint64_t limit = negative ? UINT64_C(2147483648) : UINT64_C(2147483647);
    uint64_t magnitude = 0;
    bool anyDigit = false;
    for (int digit = DigitValue(*p, radix); digit >= 0; digit = DigitValue(*++p, radix)) {
        anyDigit = true;
        magnitude = magnitude * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
        // Stopping here keeps the 64-bit accumulator from overflowing on long input.
        if (magnitude > limit) {
            throw std::out_of_range("stoi argument out of range");
        }
    }

    if (!anyDigit) {
        throw std::invalid_argument("invalid stoi argument");
    }
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
}
