// Calling the game's natives: nativeInit, one push per argument, nativeCall.
// Integers and booleans go zero-extended, floats as their single-precision
// bits in the low half, strings as the address of their bytes; a result is
// the low 32 bits, signed.
#pragma once

#include <bit>
#include <cstdint>

#include "script_hook.h"

namespace native {

inline void Push(int32_t value) { nativePush64(static_cast<uint32_t>(value)); }
inline void Push(uint32_t value) { nativePush64(value); }
inline void Push(bool value) { nativePush64(value ? 1u : 0u); }
inline void Push(float value) { nativePush64(std::bit_cast<uint32_t>(value)); }
// The bytes must stay valid until the call returns.
inline void Push(const char* text) { nativePush64(reinterpret_cast<uintptr_t>(text)); }

template <typename... Args>
int32_t Call(uint64_t hash, Args... args) {
    nativeInit(hash);
    (Push(args), ...);
    return static_cast<int32_t>(static_cast<uint32_t>(*nativeCall()));
}

}  // namespace native
