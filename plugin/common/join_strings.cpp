// Concatenation of two C strings into a freshly allocated buffer.
#include "common/join_strings.h"

#include <cstring>

std::unique_ptr<char[]> JoinStrings(const char* first, const char* second) {
    const std::size_t firstLength = std::strlen(first);
    const std::size_t secondLength = std::strlen(second);
    // new[] rather than make_unique: every byte is written below, and callers
    // may release() the buffer and later free it with delete[].
    std::unique_ptr<char[]> joined(new char[firstLength + secondLength + 1]);
    std::memcpy(joined.get(), first, firstLength);
    std::memcpy(joined.get() + firstLength, second, secondLength);
    joined[firstLength + secondLength] = '\0';
    return joined;
}
