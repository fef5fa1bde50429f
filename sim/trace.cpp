// The trace's JSON lines.
#include "trace.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
size_t Utf8Length(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
    unsigned char second = byte(at + 1);
    if (lead == 0xE0 && second < 0xA0) return 0;
    if (lead == 0xED && second >= 0xA0) return 0;
    if (lead == 0xF0 && second < 0x90) return 0;
    if (lead == 0xF4 && second >= 0x90) return 0;
    return length;
}

void AppendEscape(std::string& out, unsigned code) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04X", code);
    out += escape;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (size_t length = Utf8Length(text, i)) {
                out.append(text.substr(i, length));
                i += length;
            } else {
                AppendEscape(out, c);
                ++i;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20)
                    AppendEscape(out, c);
                else
                    out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

JsonLine::JsonLine(std::string_view event, uint64_t timeMs, uint64_t frame, uint32_t tick) {
    text_ = "{\"event\":" + JsonString(event) + ",\"time\":" + std::to_string(timeMs) +
            ",\"frame\":" + std::to_string(frame) + ",\"tick\":" + std::to_string(tick);
}

JsonLine& JsonLine::String(std::string_view name, std::string_view value) { return Raw(name, JsonString(value)); }
JsonLine& JsonLine::Number(std::string_view name, int64_t value) { return Raw(name, std::to_string(value)); }
JsonLine& JsonLine::Bool(std::string_view name, bool value) { return Raw(name, value ? "true" : "false"); }

JsonLine& JsonLine::Raw(std::string_view name, std::string_view value) {
    text_ += ',';
    text_ += JsonString(name);
    text_ += ':';
    text_ += value;
    return *this;
}

std::string NativeArguments(const hook::NativeCall& call) {
    std::string out = "[";
    bool decoded = call.values.size() == call.signature.size() && call.values.size() == call.raw.size();
    for (size_t i = 0; i < call.raw.size(); ++i) {
        if (i > 0) out += ',';
        if (!decoded) {
            char hex[24];
            std::snprintf(hex, sizeof hex, "0x%llX", static_cast<unsigned long long>(call.raw[i]));
            out += JsonString(hex);
            continue;
        }
        const std::string& value = call.values[i];
        switch (call.signature[i]) {
            case 's':
                out += JsonString(value);
                break;
            case 'b':
                out += value != "0" ? "true" : "false";
                break;
            case 'f':
                // JSON has no infinities or NaN: those stay text.
                out += std::isfinite(std::strtod(value.c_str(), nullptr)) ? value : JsonString(value);
                break;
            default:
                out += value;
                break;
        }
    }
    return out + "]";
}

TraceWriter::~TraceWriter() {
    if (file_ != nullptr) std::fclose(file_);
}

bool TraceWriter::Open(const std::filesystem::path& path, std::string* error) {
    file_ = std::fopen(path.string().c_str(), "wb");
    if (file_ == nullptr) *error = "cannot write the trace " + path.string() + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void TraceWriter::Write(const JsonLine& line) {
    if (file_ == nullptr) return;
    std::string text = line.Text();
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), file_);
}

void TraceWriter::Native(const hook::NativeCall& call, uint64_t timeMs) {
    char hash[24];
    std::snprintf(hash, sizeof hash, "0x%016llX", static_cast<unsigned long long>(call.hash));
    Write(JsonLine("native", timeMs, call.frame, call.tick)
              .String("hash", hash)
              .String("name", call.name)
              .Raw("args", NativeArguments(call))
              .Bool("fiber", call.onScriptFiber));
}

}  // namespace sim
