// Vector models: the model block grammar, derived polar fields, file tags, the registry.
#include "core/game_state.h"
#include "core/trig.h"
#include "defs/defs.h"

#include <array>
#include <bit>
#include <cmath>

namespace {

// Direction of a point seen from the origin: atan2(x, y) in double, rounded to float.
float directionOf(float x, float y) { return atan2F32(x, y); }

// Fills the polar fields and the squared length of a line from its end points (sqrt is
// exact by IEEE: the same float on every machine).
void deriveLine(ModelLine& line) {
    line.radius1 = std::sqrt(line.x1 * line.x1 + line.y1 * line.y1);
    line.angle1 = line.radius1 > 0 ? directionOf(line.x1, line.y1) : 0.0f;
    line.radius2 = std::sqrt(line.x2 * line.x2 + line.y2 * line.y2);
    line.angle2 = line.radius2 > 0 ? directionOf(line.x2, line.y2) : 0.0f;
    const float dx = line.x2 - line.x1;
    const float dy = line.y2 - line.y1;
    line.lengthSquared = dx * dx + dy * dy;
}

// Fills the polar fields of a hit circle from its centre.
void deriveCircle(HitCircle& circle) {
    circle.distance = std::sqrt(circle.x * circle.x + circle.y * circle.y);
    circle.angle = circle.distance > 0 ? directionOf(circle.x, circle.y) : 0.0f;
}

// Clears one byte of the colour and adds the value shifted to it (no clamping, so an
// over-large value carries into the next channel).
uint32_t setChannel(uint32_t colour, int shift, int32_t value) {
    return (colour & ~(0xFFu << shift)) + (static_cast<uint32_t>(value) << shift);
}

// Reads one element of kind `kind` with a long form ("{" key value ... "}", the keys of
// blockKeywords) or a short form of fixed length (values in the order of shortFormKeys,
// each cut to 31 characters). Calls `apply(key, value)` for every key/value pair found.
// `keyword` and `valueKind` only tell an observer of the load what is read.
template <typename Apply>
void readElement(LoadObserver* watch, Cursor& cursor, BlockKind kind, std::string_view keyword,
                 ValueKind valueKind, Apply apply) {
    const std::span<const std::string_view> longKeys = blockKeywords(kind);
    const std::span<const std::string_view> shortKeys = shortFormKeys(kind);
    std::string_view first = nextToken(cursor);
    if (!first.empty() && first.front() == '{') {
        Cursor inner{takeBlock(cursor)};
        if (watch) watch->blockOpened(kind, keyword, {inner.text, {}, first, {}}, false);
        while (!inner.atEnd()) {
            std::string_view token = nextToken(inner);
            bool known = false;
            for (std::string_view key : longKeys) {
                if (token == key) {
                    std::string_view value = nextToken(inner);
                    if (watch) watch->valueRead(token, value, valueKind);
                    apply(key, value);
                    known = true;
                    break;
                }
            }
            if (!known && watch) watch->tokenSkipped(token);
        }
        if (watch) watch->blockClosed(kind);
        return;
    }
    // A short form always takes its fixed number of tokens, whatever they are.
    if (watch) watch->blockOpened(kind, keyword, {}, true);
    for (size_t i = 0; i < shortKeys.size(); ++i) {
        std::string_view value = i == 0 ? first : nextToken(cursor);
        if (watch) watch->valueRead(shortKeys[i], value, valueKind);
        apply(shortKeys[i], value.substr(0, tokenCut));
    }
    if (watch) watch->blockClosed(kind);
}

// A "line" element with the current colour.
ModelLine readLine(LoadObserver* watch, Cursor& cursor, std::string_view keyword, uint32_t colour) {
    ModelLine line;
    line.color = colour;
    readElement(watch, cursor, BlockKind::Line, keyword, ValueKind::Float, [&](std::string_view key, std::string_view value) {
        const float v = readFloat(value);
        if (key == "x1") line.x1 = v;
        else if (key == "y1") line.y1 = v;
        else if (key == "x2") line.x2 = v;
        else line.y2 = v;
    });
    deriveLine(line);
    return line;
}

// A "hitc" element.
HitCircle readCircle(LoadObserver* watch, Cursor& cursor, std::string_view keyword) {
    HitCircle circle;
    readElement(watch, cursor, BlockKind::Circle, keyword, ValueKind::Float,
                [&](std::string_view key, std::string_view value) {
                    const float v = readFloat(value);
                    if (key == "x") circle.x = v;
                    else if (key == "y") circle.y = v;
                    else circle.r = v;
                });
    deriveCircle(circle);
    return circle;
}

// A "color" or "alpha" element: the channel parser run from the current colour.
uint32_t readColour(LoadObserver* watch, Cursor& cursor, BlockKind kind, std::string_view keyword,
                    uint32_t colour) {
    readElement(watch, cursor, kind, keyword, ValueKind::Int, [&](std::string_view key, std::string_view value) {
                    const int32_t v = readInt(value);
                    if (key == "b") colour = setChannel(colour, 0, v);
                    else if (key == "g") colour = setChannel(colour, 8, v);
                    else if (key == "r") colour = setChannel(colour, 16, v);
                    else colour = setChannel(colour, 24, v);
                });
    return colour;
}

// Appends an element unless the list is full: every step costs each Actor one pass over
// its Model's lines (bounds, hits, drawing), so one Model must not hold millions. The
// element is still read, so that its values are consumed either way.
template <class Element>
void addCapped(std::vector<Element>& list, const Element& element, size_t cap) {
    if (list.size() < cap) list.push_back(element);
}

}  // namespace

// The file tag: nothing for the first file, else the byte 0x01 and a second byte that is
// never 0. That byte is ((ordinal - 1) % 255) + 1: ordinals 1 to 255 give 0x01 to 0xFF,
// and from the 256th level-loader file on the tags repeat (ordinal 256 shares the tag of
// ordinal 1). A 0 byte would end the name wherever it is handled as a C string and make
// such files share a cut-short tag; repeating keeps every name whole and in bounds.
std::string fileTag(int32_t ordinal) {
    if (ordinal <= 0) return {};
    return std::string{'\x01', static_cast<char>(((ordinal - 1) % 255) + 1)};
}

// Builds one Model from the content of a model block.
Model parseModel(const Registries& defs, std::string_view block, int32_t fileOrdinal,
                 HeaderValue header) {
    Model model;
    const std::string tag = fileTag(fileOrdinal);
    auto setName = [&](std::string_view value) {
        model.name.assign(value.substr(0, nameCut));
        model.name += tag;
    };
    if (header) setName(*header);
    uint32_t colour = 0xFFFFFFFF;  // every block starts opaque white
    Cursor cursor{block};
    LoadObserver* const watch = defs.observer;
    while (!cursor.atEnd()) {
        std::string_view token = nextToken(cursor);
        if (token == "name") {
            std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, ValueKind::Name);
            setName(value);
        } else if (token == "line") {
            addCapped(model.lines, readLine(watch, cursor, token, colour), limits::maxModelLines);
        } else if (token == "hitc") {
            addCapped(model.circles, readCircle(watch, cursor, token), limits::maxModelCircles);
        } else if (token == "color") {
            colour = readColour(watch, cursor, BlockKind::Colour, token, colour);
        } else if (token == "alpha") {
            colour = readColour(watch, cursor, BlockKind::Alpha, token, colour);
        } else if (watch) {
            watch->tokenSkipped(token);
        }
    }
    return model;
}

// Appends a Model to modelRegistry and keeps the name index up to date.
void appendModel(Registries& defs, Model model) {
    const auto position = static_cast<uint32_t>(defs.modelRegistry.size());
    indexName(defs.modelNames, model.name, position);
    measureModel(defs, model);
    defs.modelRegistry.push_back(std::move(model));
}

// Lists the Model's distinct end angles (compared as bits, so 0 and -0 stay apart) and
// which one each line end has; nothing for Models of many lines.
static void planTurns(Model& model) {
    model.endAngles.clear();
    model.endAngleOf.clear();
    if (model.lines.size() > Model::maxTurnPlanLines) return;
    for (const ModelLine& line : model.lines) {
        for (const float angle : {line.angle1, line.angle2}) {
            const auto bits = std::bit_cast<uint32_t>(angle);
            size_t k = 0;
            while (k < model.endAngles.size() && std::bit_cast<uint32_t>(model.endAngles[k]) != bits)
                ++k;
            if (k == model.endAngles.size()) model.endAngles.push_back(angle);
            model.endAngleOf.push_back(static_cast<uint8_t>(k));
        }
    }
}

// Derives the Model's line reach (largest distance of a line end from the origin, as the
// stored radii give it), its longest line, how far its hit circles reach, and the distinct
// angles of its line ends.
void measureModel(Registries& defs, Model& model) {
    ++defs.modelStamp;
    float reach = 0;
    float longest = 0;
    for (const ModelLine& line : model.lines) {
        const float r1 = line.radius1 < 0 ? -line.radius1 : line.radius1;
        const float r2 = line.radius2 < 0 ? -line.radius2 : line.radius2;
        if (r1 > reach) reach = r1;
        if (r2 > reach) reach = r2;
        if (line.lengthSquared > longest) longest = line.lengthSquared;
    }
    model.lineReach = reach;
    model.longestLineSquared = longest;
    float centres = 0;
    float radii = 0;
    for (const HitCircle& circle : model.circles) {
        const float d = circle.distance < 0 ? -circle.distance : circle.distance;
        const float r = circle.r < 0 ? -circle.r : circle.r;
        // A circle whose numbers are not all finite reaches anywhere: no shortcut.
        if (!(d < 1e30f) || !(r < 1e30f)) {
            centres = radii = 3e38f;
            continue;
        }
        if (d > centres) centres = d;
        if (r > radii) radii = r;
    }
    model.circleCentreReach = centres;
    model.circleRadiusMax = radii;
    planTurns(model);
}

// Measures every Model of the registry.
void measureModels() {
    for (Model& model : game.defs.modelRegistry) measureModel(game.defs, model);
}

int32_t findModel(const Registries& defs, std::string_view name) {
    const NameSpan* span = findName(defs.modelNames, name);
    return span ? static_cast<int32_t>(span->first) : 0;
}

int32_t findModel(std::string_view name) { return findModel(game.defs, name); }
