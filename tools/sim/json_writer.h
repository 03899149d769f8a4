// A small streaming JSON writer for the simulator's dumps: commas, escaping, numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Appends JSON text to a string. Strings escape '"', '\\' and every byte below 0x20 or
// above 0x7E as \u00XX, so names with file tags or other raw bytes stay readable ASCII.
// Floats print with "%.9g" (enough to round-trip a 32-bit float); non-finite floats
// print as the strings "nan", "inf" and "-inf".
class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    // Opens an object or array as the next value.
    void beginObject();
    void beginArray();
    // Closes the innermost object or array.
    void endObject();
    void endArray();
    // Writes an object key; the next call writes its value.
    void key(std::string_view name);

    // Values.
    void string(std::string_view text);
    void integer(int64_t value);
    void unsignedInteger(uint64_t value);
    void number(float value);
    void boolean(bool value);
    void null();

    // Key and value in one call.
    template <typename T>
    void field(std::string_view name, T value);

    // Starts a new line (between big items, to keep dumps diff-friendly).
    void newline() { out_ += '\n'; }

private:
    void beforeValue();

    std::string& out_;
    std::vector<bool> hasItems_;  // per open container: something written already
    bool afterKey_ = false;
};

// Appends `text` as a quoted, escaped JSON string.
void appendJsonString(std::string& out, std::string_view text);
// Appends a float as "%.9g", or as a quoted "nan"/"inf"/"-inf".
void appendJsonFloat(std::string& out, float value);

template <typename T>
void JsonWriter::field(std::string_view name, T value) {
    key(name);
    if constexpr (std::is_same_v<T, bool>) boolean(value);
    else if constexpr (std::is_floating_point_v<T>) number(static_cast<float>(value));
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) integer(value);
    else if constexpr (std::is_integral_v<T>) unsignedInteger(value);
    else string(value);
}
