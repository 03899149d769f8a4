// A tiny test font whose glyphs can be told apart by the length of their single line,
// and a decoder that turns recorded glyph lines back into text.
#pragma once

#include "core/game_state.h"
#include "platform/headless.h"

#include <cmath>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// A model line between two model points, with the polar fields the loader derives.
inline ModelLine makeLine(float x1, float y1, float x2, float y2, uint32_t color = 0xFFFFFFFF) {
    ModelLine line;
    line.x1 = x1, line.y1 = y1, line.x2 = x2, line.y2 = y2;
    line.angle1 = std::atan2(x1, y1), line.radius1 = std::sqrt(x1 * x1 + y1 * y1);
    line.angle2 = std::atan2(x2, y2), line.radius2 = std::sqrt(x2 * x2 + y2 * y2);
    line.color = color;
    return line;
}

// Glyph 0 stands for every unclaimed character; glyph i + 1 is chars[i]. Glyph g is one
// line from the origin to the right, 0.01 x (g + 1) model units long.
inline void installTestFont(std::string_view chars) {
    auto& glyphs = game.defs.fontGlyphs;
    glyphs.clear();
    game.defs.glyphTable.fill(0);
    for (size_t g = 0; g <= chars.size(); ++g) {
        Model m;
        m.lines.push_back(makeLine(0, 0, 0.01f * static_cast<float>(g + 1), 0));
        glyphs.push_back(m);
        if (g > 0) game.defs.glyphTable[static_cast<unsigned char>(chars[g - 1])] =
                       static_cast<int32_t>(g);
    }
}

// The text that recorded glyph lines of the test font spell ('?' for glyph 0).
inline std::string decodeTestFont(std::span<const SceneOp> lines, std::string_view chars,
                                  int size = 1) {
    std::string text;
    for (const auto& op : lines) {
        long g = std::lround((op.x2 - op.x1) / (3.0f * static_cast<float>(size))) - 1;
        if (g <= 0 || static_cast<size_t>(g) > chars.size()) text.push_back('?');
        else text.push_back(chars[static_cast<size_t>(g - 1)]);
    }
    return text;
}

}  // namespace testing_support
