// Spelling hints and number tests of quillfray-check.
#pragma once

#include <span>
#include <string>
#include <string_view>

// Edit distance in which swapping two neighbouring letters also counts as one edit
// (optimal string alignment), since "spwan" is one slip away from "spawn".
size_t editDistance(std::string_view a, std::string_view b);
// The closest candidate within a third of the word's length (at least one edit, at
// most three), so that short words only match near twins.
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
