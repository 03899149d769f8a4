// A small streaming JSON writer: commas, escaping, numbers.
#include "tools/sim/json_writer.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {
constexpr std::string_view hexDigits = "0123456789abcdef";
}  // namespace

// Appends `text` as a quoted, escaped JSON string.
void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte > 0x7E) {
            out += "\\u00";
            out += hexDigits[byte >> 4];
            out += hexDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

// Appends a float as "%.9g", or as a quoted "nan"/"inf"/"-inf".
void appendJsonFloat(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "\"nan\"";
    } else if (std::isinf(value)) {
        out += value > 0 ? "\"inf\"" : "\"-inf\"";
    } else {
        std::array<char, 40> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%.9g", static_cast<double>(value));
        out += buffer.data();
    }
}

// Writes the comma or nothing that goes before the next value.
void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasItems_.empty()) {
        if (hasItems_.back()) out_ += ',';
        hasItems_.back() = true;
    }
}

// Opens an object as the next value.
void JsonWriter::beginObject() {
    beforeValue();
    out_ += '{';
    hasItems_.push_back(false);
}

// Opens an array as the next value.
void JsonWriter::beginArray() {
    beforeValue();
    out_ += '[';
    hasItems_.push_back(false);
}

// Closes the innermost object.
void JsonWriter::endObject() {
    hasItems_.pop_back();
    out_ += '}';
}

// Closes the innermost array.
void JsonWriter::endArray() {
    hasItems_.pop_back();
    out_ += ']';
}

// Writes an object key; the next call writes its value.
void JsonWriter::key(std::string_view name) {
    beforeValue();
    appendJsonString(out_, name);
    out_ += ':';
    afterKey_ = true;
}

// Writes a string value.
void JsonWriter::string(std::string_view text) {
    beforeValue();
    appendJsonString(out_, text);
}

// Writes a signed integer value.
void JsonWriter::integer(int64_t value) {
    beforeValue();
    out_ += std::to_string(value);
}

// Writes an unsigned integer value.
void JsonWriter::unsignedInteger(uint64_t value) {
    beforeValue();
    out_ += std::to_string(value);
}

// Writes a float value.
void JsonWriter::number(float value) {
    beforeValue();
    appendJsonFloat(out_, value);
}

// Writes true or false.
void JsonWriter::boolean(bool value) {
    beforeValue();
    out_ += value ? "true" : "false";
}

// Writes null.
void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}
