// Concatenation of two C strings into a freshly allocated buffer.
#pragma once

#include <memory>

// Returns first followed by second and a terminating NUL, in an array of
// exactly strlen(first) + strlen(second) + 1 bytes. The caller owns it.
std::unique_ptr<char[]> JoinStrings(const char* first, const char* second);
