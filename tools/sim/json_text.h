// The text of the simulator's JSON documents (nlohmann::ordered_json): compact, keys in
// the order they were set, every float in the one form all the dumps use, and line
// breaks where a big dump asks for them.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

// A document, its keys kept in the order they were set.
using Json = nlohmann::ordered_json;

// Where the text of a document (an object) starts new lines, so that big dumps diff well.
struct JsonLines {
    std::vector<std::string_view> after;        // after the value of these members
    std::vector<std::string_view> eachElement;  // before each element of these arrays
};

// ---- json_text.cpp

// The text of `doc`, without a final newline. Strings hold bytes: each is written as the
// character U+0000 to U+00FF of its value, in ASCII (\u00XX past '~'). Floats are written
// as the 32-bit floats they hold, "%.9g" (they read back exactly), or as the strings
// "nan", "inf" and "-inf"; nlohmann/json writes everything else.
std::string jsonText(const Json& doc, const JsonLines& lines = {});
