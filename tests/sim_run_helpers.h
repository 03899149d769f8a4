// Helpers for the tests that run the built quillfray-sim: running it in a temporary
// directory, a small game to run, and reading numbers and JSON back.
#pragma once

#include "tests/support/support.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

namespace simtest {

using testing_support::TempDir;

// The simulator built next to the tests.
inline const std::string simBinary = std::string(QF_BINARY_DIR) + "/quillfray-sim";

// Runs the simulator in `dir` with `args`; returns its exit status. Output goes to
// stdout.txt and stderr.txt in the directory.
inline int runSim(const TempDir& dir, const std::string& args) {
    return testing_support::runInDir(dir.path(), simBinary, args);
}

// The whole content of a file in `dir` (empty when it does not exist).
inline std::string readFile(const TempDir& dir, const std::string& name) {
    return testing_support::readWholeFile(dir.path() / name);
}

// The lines of a text, without their line breaks; a last line without a break counts.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The bare value after the first `"key":` at or after `from`, up to the next ',', '}' or
// ']' (a number, true/false or a quoted word); nothing if the key does not occur.
inline std::optional<std::string> valueOf(const std::string& json, std::string_view key,
                                          size_t from = 0) {
    const std::string pattern = "\"" + std::string(key) + "\":";
    const size_t at = json.find(pattern, from);
    if (at == std::string::npos) return std::nullopt;
    const size_t start = at + pattern.size();
    const size_t end = json.find_first_of(",}]", start);
    return json.substr(start, end - start);
}

// The integer after the first `"key":`; -999999 when absent, so that checks fail.
inline long long intOf(const std::string& json, std::string_view key, size_t from = 0) {
    std::optional<std::string> value = valueOf(json, key, from);
    return value ? std::stoll(*value) : -999999;
}

// The number after the first `"key":` read as a float; NaN when absent.
inline float floatOf(const std::string& json, std::string_view key, size_t from = 0) {
    std::optional<std::string> value = valueOf(json, key, from);
    return value ? std::stof(*value) : std::numeric_limits<float>::quiet_NaN();
}

// How often `piece` occurs in `text`.
inline size_t countOf(const std::string& text, std::string_view piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

// A strict JSON checker for the dumps: one value, then only white space.
class JsonChecker {
public:
    explicit JsonChecker(std::string_view text) : text_(text) {}

    // True when the whole text is one valid JSON value.
    bool valid() {
        skipSpace();
        if (!value(0)) return false;
        skipSpace();
        return pos_ == text_.size();
    }

private:
    bool value(int depth) {
        if (depth > 64 || pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '{') return container(depth, '}', true);
        if (c == '[') return container(depth, ']', false);
        if (c == '"') return string();
        if (literal("true") || literal("false") || literal("null")) return true;
        return number();
    }
    bool container(int depth, char close, bool object) {
        ++pos_;
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == close) {
            ++pos_;
            return true;
        }
        for (;;) {
            skipSpace();
            if (object) {
                if (pos_ >= text_.size() || text_[pos_] != '"' || !string()) return false;
                skipSpace();
                if (pos_ >= text_.size() || text_[pos_] != ':') return false;
                ++pos_;
                skipSpace();
            }
            if (!value(depth + 1)) return false;
            skipSpace();
            if (pos_ >= text_.size()) return false;
            if (text_[pos_] == close) {
                ++pos_;
                return true;
            }
            if (text_[pos_] != ',') return false;
            ++pos_;
        }
    }
    bool string() {
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c == '\\') {
                if (pos_ >= text_.size()) return false;
                const char e = text_[pos_++];
                if (e == 'u') {
                    if (pos_ + 4 > text_.size()) return false;
                    pos_ += 4;
                } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
                    return false;
                }
            }
        }
        return false;
    }
    bool literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }
    bool number() {
        const size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        size_t digits = 0;
        while (pos_ < text_.size() &&
               (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.' ||
                text_[pos_] == 'e' || text_[pos_] == 'E' || text_[pos_] == '+' ||
                text_[pos_] == '-')) {
            if (std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++digits;
            ++pos_;
        }
        return digits > 0 && pos_ > start;
    }
    void skipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

// True when `text` is one valid JSON value.
inline bool isJson(std::string_view text) { return JsonChecker(text).valid(); }

// The controls file of the tests: arrows, shift slowdown, z fire, x bomb, c power.
inline constexpr std::string_view testControls =
    "control 0 key 38\ncontrol 1 key 39\ncontrol 2 key 40\ncontrol 3 key 37\n"
    "control 4 key 16\ncontrol 5 key 90\ncontrol 6 key 88\ncontrol 7 key 67\n";

// base.vec of the tests. Script 0 does nothing, because every unset event slot of an
// Actor names Script 0. Two ships; the shot flies up and reloads for 5 steps.
inline constexpr std::string_view testBase =
    "script idle { }\n"
    "model ship { line 0 -0.02 0.02 0.02 line 0.02 0.02 -0.02 0.02 line -0.02 0.02 0 -0.02 "
    "hitc 0 0 0.01 }\n"
    "model bullet { line 0 -0.005 0 0.005 hitc 0 0 0.004 }\n"
    "model ship_frame { line -0.05 -0.05 0.05 -0.05 }\n"
    "ship arrow { model ship shot1 shot shot2 shot }\n"
    "ship dart { model bullet shot1 shot shot2 shot }\n"
    "script shot { cmd spawn { model bullet owner 1 speed 0.03 } cmd reload { time 5 } }\n";

// The demo script that --screen select plays: four bullets that hurt nobody.
inline constexpr std::string_view testDemo =
    "script demo { cmd spawn { model bullet x 0.5 y 0.2 count 4 owner 2 } }\n";

// A font whose every character draws something: glyph 0 for all but 'c'.
inline constexpr std::string_view testFont =
    "model sym_ { line 0 0 0.5 0.5 }\nmodel symc { line 0 0 0.5 -0.5 line 0 0 0.2 0.2 }\n";

// A level whose frame 10 sends down five rocks at random x; they hurt nobody.
inline constexpr std::string_view testLevel =
    "model rock { line -0.02 -0.02 0.02 0.02 hitc 0 0 0.02 }\n"
    "stage 600 { event 10 { cmd spawn { model rock s_x 0 e_x 1 o_x 3 count 5 "
    "speed 0.001 owner 2 } } }\n";

// Copies the shipped definition files and controls file into `dir`.
inline void copyShippedData(const TempDir& dir) {
    for (const char* name : {"base.vec", "font.vec", "default.lev", "quillfray.cfg"})
        std::filesystem::copy_file(std::filesystem::path(QF_SOURCE_DIR) / "data" / name,
                                   dir.path() / name);
}

// Writes the test game into `dir`: controls, base.vec (with the demo when asked), the
// font and default.lev.
inline void writeGame(const TempDir& dir, bool withDemo = false) {
    dir.write("quillfray.cfg", testControls);
    dir.write("base.vec", std::string(testBase) + (withDemo ? std::string(testDemo) : ""));
    dir.write("font.vec", testFont);
    dir.write("default.lev", testLevel);
}

}  // namespace simtest
