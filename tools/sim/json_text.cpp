// The text of the simulator's JSON documents: nlohmann/json writes strings, integers and
// booleans; the floats' form and the line breaks are the dumps' own.
#include "tools/sim/json_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

// Appends a string of bytes, each as the character of the same number.
void appendString(std::string& out, const std::string& bytes) {
    std::string characters;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            characters += c;
        } else {
            characters += static_cast<char>(0xC0 | (byte >> 6));
            characters += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    out += Json(characters).dump(-1, ' ', true);
}

// Appends a float as the 32-bit float it holds, "%.9g", or a quoted "nan", "inf", "-inf".
void appendFloat(std::string& out, double value) {
    const auto single = static_cast<float>(value);
    if (std::isnan(single)) {
        out += "\"nan\"";
    } else if (std::isinf(single)) {
        out += single > 0 ? "\"inf\"" : "\"-inf\"";
    } else {
        std::array<char, 40> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%.9g", static_cast<double>(single));
        out += buffer.data();
    }
}

// True when `names` holds `name`.
bool listed(const std::vector<std::string_view>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Appends `value` compact; the members of an object follow `lines` when given (the
// document itself), and each element of an array starts a line when `elementLines`.
void appendValue(std::string& out, const Json& value, const JsonLines* lines,
                 bool elementLines = false) {
    switch (value.type()) {
    case Json::value_t::object: {
        out += '{';
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            if (!first) out += ',';
            first = false;
            appendString(out, key);
            out += ':';
            appendValue(out, member, nullptr, lines && listed(lines->eachElement, key));
            if (lines && listed(lines->after, key)) out += '\n';
        }
        out += '}';
        break;
    }
    case Json::value_t::array: {
        out += '[';
        bool first = true;
        for (const Json& element : value) {
            if (elementLines) out += '\n';
            if (!first) out += ',';
            first = false;
            appendValue(out, element, nullptr);
        }
        out += ']';
        break;
    }
    case Json::value_t::string:
        appendString(out, value.get_ref<const std::string&>());
        break;
    case Json::value_t::number_float:
        appendFloat(out, value.get<double>());
        break;
    default:
        out += value.dump();
        break;
    }
}

}  // namespace

std::string jsonText(const Json& doc, const JsonLines& lines) {
    std::string out;
    appendValue(out, doc, &lines);
    return out;
}
