// A strict reader for the JSON that skyloom-sim writes, so tests look at the
// trace as any JSON tool would: a line that is not valid JSON fails to parse.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // a string's value, or a number as written
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> fields;

    // A field of an object, or null when it has none by that name.
    const JsonValue& operator[](const std::string& name) const {
        static const JsonValue none;
        auto found = fields.find(name);
        return found == fields.end() ? none : found->second;
    }

    // The whole of text as one value, or nothing when it is not JSON.
    static std::optional<JsonValue> Parse(const std::string& text) {
        Reader reader{text};
        JsonValue value;
        if (!reader.Value(&value)) return std::nullopt;
        reader.Space();
        if (reader.at != text.size()) return std::nullopt;
        return value;
    }

private:
    struct Reader {
        const std::string& s;
        size_t at = 0;

        void Space() {
            while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r')) ++at;
        }
        bool Take(char c) {
            Space();
            if (at < s.size() && s[at] == c) {
                ++at;
                return true;
            }
            return false;
        }
        bool Word(const char* word) {
            size_t length = std::char_traits<char>::length(word);
            if (s.compare(at, length, word) != 0) return false;
            at += length;
            return true;
        }
        bool Value(JsonValue* out) {
            Space();
            if (at >= s.size()) return false;
            char c = s[at];
            if (c == '{') return Object(out);
            if (c == '[') return Array(out);
            if (c == '"') {
                out->kind = Kind::String;
                return String(&out->text);
            }
            if (Word("true")) {
                out->kind = Kind::Bool;
                out->boolean = true;
                return true;
            }
            if (Word("false")) {
                out->kind = Kind::Bool;
                return true;
            }
            if (Word("null")) return true;
            return Number(out);
        }
        bool Number(JsonValue* out) {
            size_t start = at;
            if (at < s.size() && s[at] == '-') ++at;
            auto digits = [&] {
                size_t from = at;
                while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
                return at > from;
            };
            if (!digits()) return false;
            if (at < s.size() && s[at] == '.') {
                ++at;
                if (!digits()) return false;
            }
            if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
                ++at;
                if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
                if (!digits()) return false;
            }
            out->kind = Kind::Number;
            out->text = s.substr(start, at - start);
            out->number = std::strtod(out->text.c_str(), nullptr);
            return true;
        }
        bool String(std::string* out) {
            ++at;  // the opening quote
            while (at < s.size()) {
                auto c = static_cast<unsigned char>(s[at++]);
                if (c == '"') return true;
                if (c < 0x20) return false;
                if (c != '\\') {
                    *out += static_cast<char>(c);
                    continue;
                }
                if (at >= s.size()) return false;
                char e = s[at++];
                switch (e) {
                    case '"':
                        *out += '"';
                        break;
                    case '\\':
                        *out += '\\';
                        break;
                    case '/':
                        *out += '/';
                        break;
                    case 'b':
                        *out += '\b';
                        break;
                    case 'f':
                        *out += '\f';
                        break;
                    case 'n':
                        *out += '\n';
                        break;
                    case 'r':
                        *out += '\r';
                        break;
                    case 't':
                        *out += '\t';
                        break;
                    case 'u': {
                        if (at + 4 > s.size()) return false;
                        char* end = nullptr;
                        std::string hex = s.substr(at, 4);
                        unsigned long code = std::strtoul(hex.c_str(), &end, 16);
                        if (end != hex.c_str() + 4) return false;
                        at += 4;
                        // As UTF-8; the trace escapes no more than the Latin-1 range.
                        if (code < 0x80) {
                            *out += static_cast<char>(code);
                        } else if (code < 0x800) {
                            *out += static_cast<char>(0xC0 | (code >> 6));
                            *out += static_cast<char>(0x80 | (code & 0x3F));
                        } else {
                            *out += static_cast<char>(0xE0 | (code >> 12));
                            *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                            *out += static_cast<char>(0x80 | (code & 0x3F));
                        }
                        break;
                    }
                    default:
                        return false;
                }
            }
            return false;
        }
        bool Array(JsonValue* out) {
            out->kind = Kind::Array;
            ++at;
            if (Take(']')) return true;
            do {
                JsonValue item;
                if (!Value(&item)) return false;
                out->items.push_back(std::move(item));
            } while (Take(','));
            return Take(']');
        }
        bool Object(JsonValue* out) {
            out->kind = Kind::Object;
            ++at;
            if (Take('}')) return true;
            do {
                Space();
                std::string name;
                if (at >= s.size() || s[at] != '"' || !String(&name) || !Take(':')) return false;
                JsonValue value;
                if (!Value(&value)) return false;
                out->fields[name] = std::move(value);
            } while (Take(','));
            return Take('}');
        }
    };
};
