// quillfray-icon: the desktop icon, drawn from the game's own vector art. The first ship
// of base.vec, nose up, drawn by the game's model drawing into a headless engine, fitted
// into a square and written as an SVG and a PNG (the build runs this; nothing installs it).
#include "app/app.h"
#include "core/game_state.h"
#include "core/numbers.h"
#include "defs/defs.h"
#include "platform/headless.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Side of the PNG in pixels, and of the SVG in its own units.
constexpr int iconSize = 256;
// Width of the drawn lines in pixels (the game's one-pixel lines vanish at icon sizes).
constexpr int lineWidth = 5;
// Room left between the art and the icon's edge, as a share of the side.
constexpr float margin = 0.14f;

// The ship's lines as the game draws them around (0, 0) at one pixel per unit, scaled and
// moved so that they fill the icon square, centred.
std::vector<SceneOp> fittedShipLines() {
    HeadlessEngine engine;
    game.platform.engine = &engine;
    const int32_t model = findModel(game.defs.shipRegistry.front().model);
    drawModelOnScreen(0.0f, 0.0f, num::pi, 1.0f, model);
    game.platform.engine = nullptr;
    std::vector<SceneOp> lines;
    for (const SceneOp& op : engine.ops)
        if (op.kind == SceneOp::Kind::Line) lines.push_back(op);
    if (lines.empty()) return lines;
    float left = lines[0].x1, right = left, top = lines[0].y1, bottom = top;
    for (const SceneOp& op : lines) {
        left = std::min({left, op.x1, op.x2});
        right = std::max({right, op.x1, op.x2});
        top = std::min({top, op.y1, op.y2});
        bottom = std::max({bottom, op.y1, op.y2});
    }
    const float room = static_cast<float>(iconSize) * (1.0f - 2.0f * margin);
    const float scale = room / std::max({right - left, bottom - top, 1e-6f});
    const float dx = 0.5f * static_cast<float>(iconSize) - 0.5f * (left + right) * scale;
    const float dy = 0.5f * static_cast<float>(iconSize) - 0.5f * (top + bottom) * scale;
    for (SceneOp& op : lines) {
        op.x1 = op.x1 * scale + dx;
        op.x2 = op.x2 * scale + dx;
        op.y1 = op.y1 * scale + dy;
        op.y2 = op.y2 * scale + dy;
    }
    return lines;
}

// The lines as an SVG picture on a black square, as the PNG shows them.
std::string svgOf(const std::vector<SceneOp>& lines) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                  "viewBox=\"0 0 %d %d\">\n"
                  "<rect width=\"%d\" height=\"%d\" fill=\"#000\"/>\n"
                  "<g stroke-width=\"%d\" stroke-linecap=\"round\">\n",
                  iconSize, iconSize, iconSize, iconSize, iconSize, iconSize, lineWidth);
    std::string text = buffer;
    for (const SceneOp& op : lines) {
        std::snprintf(buffer, sizeof buffer,
                      "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"#%06x\" "
                      "stroke-opacity=\"%.3f\"/>\n",
                      op.x1, op.y1, op.x2, op.y2, op.color & 0xFFFFFFu,
                      static_cast<double>(op.color >> 24) / 255.0);
        text += buffer;
    }
    return text + "</g>\n</svg>\n";
}

// The lines as scene operations for the PNG: a black picture, each line drawn again at
// every offset of a round brush to give it the SVG's width.
std::vector<SceneOp> pngOpsOf(const std::vector<SceneOp>& lines) {
    std::vector<SceneOp> ops;
    SceneOp clear;
    clear.kind = SceneOp::Kind::Clear;
    clear.color = 0xFF000000u;
    ops.push_back(clear);
    const int reach = lineWidth / 2;
    for (const SceneOp& line : lines) {
        for (int oy = -reach; oy <= reach; ++oy) {
            for (int ox = -reach; ox <= reach; ++ox) {
                if (ox * ox + oy * oy > reach * reach) continue;
                SceneOp op = line;
                op.x1 += static_cast<float>(ox);
                op.x2 += static_cast<float>(ox);
                op.y1 += static_cast<float>(oy);
                op.y2 += static_cast<float>(oy);
                ops.push_back(op);
            }
        }
    }
    return ops;
}

}  // namespace

// quillfray-icon DATA_DIR SVG PNG: reads DATA_DIR/base.vec and writes the two pictures.
int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: quillfray-icon DATA_DIR ICON.svg ICON.png\n", stderr);
        return 2;
    }
    game.dataDir = argv[1];
    resetRegistries();
    loadDefinitionFile("base.vec");
    if (game.defs.shipRegistry.empty()) {
        std::fprintf(stderr, "quillfray-icon: %s/base.vec defines no ship\n", argv[1]);
        return 1;
    }
    const std::vector<SceneOp> lines = fittedShipLines();
    const std::string svg = svgOf(lines);
    std::FILE* file = std::fopen(argv[2], "wb");
    bool written = file != nullptr && std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written || !writeScenePng(pngOpsOf(lines), argv[3], iconSize, iconSize)) {
        std::fprintf(stderr, "quillfray-icon: cannot write %s or %s\n", argv[2], argv[3]);
        return 1;
    }
    return 0;
}
