// Spelling hints (edit distance) and whole-number tests of quillfray-check.
#include "check/hints.h"

#include "defs/defs.h"

#include <algorithm>
#include <cstdio>
#include <vector>

size_t editDistance(std::string_view a, std::string_view b) {
    const size_t width = b.size() + 1;
    std::vector<size_t> d((a.size() + 1) * width);
    auto at = [&](size_t i, size_t j) -> size_t& { return d[i * width + j]; };
    for (size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = at(i - 1, j - 1) + (a[i - 1] == b[j - 1] ? 0 : 1);
            size_t best = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                best = std::min(best, at(i - 2, j - 2) + 1);
            at(i, j) = best;
        }
    }
    return at(a.size(), b.size());
}

std::string_view closestWord(std::string_view word, std::span<const std::string_view> candidates) {
    if (word.empty() || word.size() > 40) return {};
    const size_t allowed = std::clamp<size_t>(word.size() / 3, 1, 3);
    std::string_view best;
    size_t bestDistance = allowed + 1;
    for (std::string_view candidate : candidates) {
        const size_t d = editDistance(word, candidate);
        if (d < bestDistance && d < candidate.size()) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

std::string hintFor(std::string_view word, std::span<const std::string_view> candidates) {
    const std::string_view best = closestWord(word, candidates);
    if (best.empty()) return {};
    return " (did you mean '" + std::string(best) + "'?)";
}

namespace {

// Digits 0-9 only.
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the prefix the float reader converts (sign, digits, fraction, exponent);
// 0 when it has no digits.
size_t floatPrefix(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        if (j < t.size() && isDigit(t[j])) {
            while (j < t.size() && isDigit(t[j])) ++j;
            i = j;
        }
    }
    return i;
}

// Length of the prefix the integer reader converts; 0 when it has no digits.
size_t intPrefix(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const size_t signEnd = i;
    while (i < t.size() && isDigit(t[i])) ++i;
    return i == signEnd ? 0 : i;
}

// A float as the shortest text that reads back the same.
std::string floatText(float v) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(v));
    return buffer;
}

}  // namespace

bool isWholeFloat(std::string_view token) {
    return !token.empty() && floatPrefix(token) == token.size();
}

bool isWholeInt(std::string_view token) {
    return !token.empty() && intPrefix(token) == token.size();
}

std::string numberProblem(std::string_view token, bool integer) {
    if (integer) {
        if (isWholeInt(token)) return {};
        if (intPrefix(token) == 0) return "is not a number and reads as 0";
        return "reads as the integer " + std::to_string(readInt(token)) +
               (isWholeFloat(token) ? " (the fraction is dropped)" : " (the rest is ignored)");
    }
    if (isWholeFloat(token)) return {};
    if (floatPrefix(token) == 0) return "is not a number and reads as 0";
    return "reads as " + floatText(readFloat(token)) + " (the rest is ignored)";
}
