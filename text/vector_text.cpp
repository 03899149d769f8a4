// Vector text: glyphs of the font drawn as lines, strings of glyphs and padded numbers.
#include "text/text.h"

#include "core/game_state.h"
#include "core/trig.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// Pixels per model unit of a glyph at text size 1.
constexpr float glyphScale = 300.0f;
// Pixels from one character's origin to the next at text size 1.
constexpr int glyphAdvance = 10;
// Pixels between two lines of wrapped text.
constexpr float wrappedLineHeight = 20.0f;

}  // namespace

void drawGlyph(float x, float y, float size, uint32_t color, int32_t glyph) {
    Engine* engine = game.platform.engine;
    const auto& glyphs = game.defs.fontGlyphs;
    if (engine == nullptr || glyph < 0 || static_cast<size_t>(glyph) >= glyphs.size()) return;
    for (const ModelLine& line : glyphs[static_cast<size_t>(glyph)].lines) {
        const SinCos h1 = sinCosF32(line.angle1);
        const SinCos h2 = sinCosF32(line.angle2);
        float x1 = x + h1.s * line.radius1 * size * glyphScale;
        float y1 = y - h1.c * line.radius1 * size * glyphScale;
        float x2 = x + h2.s * line.radius2 * size * glyphScale;
        float y2 = y - h2.c * line.radius2 * size * glyphScale;
        engine->Gfx_RenderLine(x1, y1, x2, y2, color, lineDepth);
    }
}

void drawText(float x, float y, std::string_view text, uint32_t color, int size) {
    // The advance is whole pixels added to the float origin.
    int offset = 0;
    int step = glyphAdvance * size;
    for (char c : text) {
        int32_t glyph = game.defs.glyphTable[static_cast<unsigned char>(c)];
        drawGlyph(x + static_cast<float>(offset), y, static_cast<float>(size), color, glyph);
        offset += step;
    }
}

// Breaks a text into lines that fit `width` pixels at size 1, at blanks where it can, and
// passes each line to `line`; returns the count of lines.
template <class LineFn>
int wrapText(float width, std::string_view text, LineFn line) {
    const float room = width / static_cast<float>(glyphAdvance);
    if (!(room >= 1.0f)) return 0;
    const auto perLine = static_cast<size_t>(std::min(room, 1000.0f));
    int lines = 0;
    while (!text.empty()) {
        size_t cut = text.size() <= perLine ? text.size() : text.rfind(' ', perLine);
        if (cut == std::string_view::npos || cut == 0) cut = std::min(perLine, text.size());
        line(lines++, text.substr(0, cut));
        text.remove_prefix(cut);
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    }
    return lines;
}

float drawWrappedText(float x, float y, float width, std::string_view text, uint32_t color) {
    wrapText(width, text, [&](int, std::string_view part) {
        drawText(x, y, part, color, 1);
        y += wrappedLineHeight;
    });
    return y;
}

float wrappedTextHeight(float width, std::string_view text) {
    return wrappedLineHeight * static_cast<float>(wrapText(width, text, [](int, std::string_view) {}));
}

void drawNumber(float x, float y, int32_t value, uint32_t color, int size, int width) {
    // Draws the decimal form of value padded with leading zeros to `width` characters. A
    // negative value keeps its minus sign in front of the zeros, and the sign counts toward
    // the width: -1234 at width 10 is "-000001234". Longer texts are not cut.
    bool negative = value < 0;
    // Magnitude in 64 bits so that the most negative int32 has a positive form.
    int64_t magnitude = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    std::string digits = std::to_string(magnitude);
    size_t used = digits.size() + (negative ? 1 : 0);
    size_t wanted = width > 0 ? static_cast<size_t>(width) : 0;
    std::string text;
    if (negative) text.push_back('-');
    if (used < wanted) text.append(wanted - used, '0');
    text += digits;
    drawText(x, y, text, color, size);
}
