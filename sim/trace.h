// The trace: one JSON object a line for each thing that happened, for tools
// and tests to read back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "host_api.h"

namespace sim {

// text as a JSON string, quotes included. Bytes that are not UTF-8 are read
// as Latin-1, the encoding a Windows player's settings file is likely in.
std::string JsonString(std::string_view text);

// One event line: {"event":NAME,"time":…,"frame":…,"tick":…, fields…}.
class JsonLine {
public:
    JsonLine(std::string_view event, uint64_t timeMs, uint64_t frame, uint32_t tick);
    JsonLine& String(std::string_view name, std::string_view value);
    JsonLine& Number(std::string_view name, int64_t value);
    JsonLine& Bool(std::string_view name, bool value);
    // value is JSON already.
    JsonLine& Raw(std::string_view name, std::string_view value);
    std::string Text() const { return text_ + "}"; }

private:
    std::string text_;
};

// A native call's arguments as a JSON array, each by the native's signature:
// numbers, booleans and strings; an unknown native's as hexadecimal strings.
std::string NativeArguments(const hook::NativeCall& call);

class TraceWriter {
public:
    TraceWriter() = default;
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // False, with the reason in *error, when the file cannot be written.
    bool Open(const std::filesystem::path& path, std::string* error);
    bool IsOpen() const { return file_ != nullptr; }
    void Write(const JsonLine& line);
    // One line for the call, at the game time it was seen.
    void Native(const hook::NativeCall& call, uint64_t timeMs);

private:
    FILE* file_ = nullptr;
};

}  // namespace sim
