// Vector text: letters and numbers drawn with the glyph models of the font.
#pragma once

#include <cstdint>
#include <string_view>

// Draws every line of one glyph in the caller's colour; model y grows upwards on screen.
void drawGlyph(float x, float y, float size, uint32_t color, int32_t glyph);
// Draws a string with one glyph per byte, every character advancing by 10 x size pixels.
void drawText(float x, float y, std::string_view text, uint32_t color, int size);
// Draws a text in size 1 from (x, y) down, broken at blanks into lines of at most `width`
// pixels (a word longer than a line is cut across lines); returns the y below it.
float drawWrappedText(float x, float y, float width, std::string_view text, uint32_t color);
// The pixels drawWrappedText takes down the screen for the text, drawing nothing.
float wrappedTextHeight(float width, std::string_view text);
// Draws an integer padded with leading zeros to `width` characters.
void drawNumber(float x, float y, int32_t value, uint32_t color, int size, int width);
