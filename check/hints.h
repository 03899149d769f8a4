// Spelling hints and number tests of quillfray-check.
#pragma once

#include <span>
#include <string>
#include <string_view>

// Edit distance (insertions, deletions, substitutions, swaps of neighbours) of two words.
size_t editDistance(std::string_view a, std::string_view b);
// The candidate closest to `word` if it is close enough to be a likely misspelling,
// else empty. Ties go to the earlier candidate.
std::string_view closestWord(std::string_view word, std::span<const std::string_view> candidates);
// " (did you mean 'x'?)" for the closest candidate, or nothing.
std::string hintFor(std::string_view word, std::span<const std::string_view> candidates);

// Whether the whole token is a decimal number as the float reader reads it.
bool isWholeFloat(std::string_view token);
// Whether the whole token is an integer as the integer reader reads it.
bool isWholeInt(std::string_view token);
// How a value read as a number is misread, or empty when it is read whole: "is not a
// number and reads as 0", "reads as 2.5 (the rest is ignored)".
std::string numberProblem(std::string_view token, bool integer);
