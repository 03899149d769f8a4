// JSON dump of everything the definition files loaded.
#include "tools/sim/defs_json.h"

#include "core/game_state.h"

namespace {

// One Model: its name, lines and hit circles.
void writeModel(JsonWriter& json, const Model& model) {
    json.beginObject();
    json.field("name", std::string_view(model.name));
    json.key("lines");
    json.beginArray();
    for (const ModelLine& l : model.lines) {
        json.beginObject();
        json.field("x1", l.x1);
        json.field("y1", l.y1);
        json.field("x2", l.x2);
        json.field("y2", l.y2);
        json.field("angle1", l.angle1);
        json.field("radius1", l.radius1);
        json.field("angle2", l.angle2);
        json.field("radius2", l.radius2);
        json.field("lengthSquared", l.lengthSquared);
        json.field("color", l.color);
        json.endObject();
    }
    json.endArray();
    json.key("circles");
    json.beginArray();
    for (const HitCircle& c : model.circles) {
        json.beginObject();
        json.field("x", c.x);
        json.field("y", c.y);
        json.field("r", c.r);
        json.field("angle", c.angle);
        json.field("distance", c.distance);
        json.endObject();
    }
    json.endArray();
    json.endObject();
}

// The commands of a Script or a frame slot, each with its parameters.
void writeCommands(JsonWriter& json, const std::vector<Command>& commands) {
    json.beginArray();
    for (const Command& command : commands) {
        json.beginObject();
        json.field("name", std::string_view(command.name));
        json.key("params");
        json.beginArray();
        for (const SpawnParam& p : command.params) {
            json.beginObject();
            json.field("name", std::string_view(p.name));
            json.field("text", std::string_view(p.text));
            json.field("intValue", p.intValue);
            json.field("floatValue", p.floatValue);
            json.field("modelIndex", p.modelIndex);
            json.field("scriptIndex", p.scriptIndex);
            json.endObject();
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
}

// One ShipDef with its seven names.
void writeShip(JsonWriter& json, const ShipDef& ship) {
    json.beginObject();
    json.field("name", std::string_view(ship.name));
    json.field("model", std::string_view(ship.model));
    json.field("shot1", std::string_view(ship.shot1));
    json.field("shot2", std::string_view(ship.shot2));
    json.field("bomb", std::string_view(ship.bomb));
    json.field("bombeffect", std::string_view(ship.bombeffect));
    json.field("powershot", std::string_view(ship.powershot));
    json.endObject();
}

}  // namespace

// Writes models, scripts, ships, the timeline (only slots holding commands) and the font.
void writeDefsJson(JsonWriter& json) {
    const Registries& defs = game.defs;
    json.beginObject();
    json.key("models");
    json.beginArray();
    for (const Model& model : defs.modelRegistry) writeModel(json, model);
    json.endArray();
    json.newline();
    json.key("scripts");
    json.beginArray();
    for (const Script& script : defs.scriptRegistry) {
        json.beginObject();
        json.field("name", std::string_view(script.name));
        json.key("commands");
        writeCommands(json, script.commands);
        json.endObject();
    }
    json.endArray();
    json.newline();
    json.key("ships");
    json.beginArray();
    for (const ShipDef& ship : defs.shipRegistry) writeShip(json, ship);
    json.endArray();
    json.newline();
    json.field("timelineLength", defs.timelineLength);
    json.key("timeline");
    json.beginArray();
    for (size_t slot = 0; slot < defs.timeline.size(); ++slot) {
        if (defs.timeline[slot].commands.empty()) continue;
        json.beginObject();
        json.field("slot", static_cast<uint64_t>(slot));
        json.key("commands");
        writeCommands(json, defs.timeline[slot].commands);
        json.endObject();
    }
    json.endArray();
    json.newline();
    json.key("fontGlyphs");
    json.beginArray();
    for (const Model& glyph : defs.fontGlyphs) {
        json.beginObject();
        json.field("name", std::string_view(glyph.name));
        json.field("lines", static_cast<uint64_t>(glyph.lines.size()));
        json.endObject();
    }
    json.endArray();
    json.newline();
    json.key("glyphTable");
    json.beginArray();
    for (int32_t glyph : defs.glyphTable) json.integer(glyph);
    json.endArray();
    json.endObject();
    json.newline();
}
