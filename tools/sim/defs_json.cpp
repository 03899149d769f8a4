// JSON dump of everything the definition files loaded.
#include "tools/sim/defs_json.h"

#include "core/game_state.h"

namespace {

// One Model: its name, lines and hit circles.
Json modelJson(const Model& model) {
    Json lines = Json::array();
    for (const ModelLine& l : model.lines)
        lines.push_back(Json{{"x1", l.x1}, {"y1", l.y1}, {"x2", l.x2}, {"y2", l.y2},
                             {"angle1", l.angle1}, {"radius1", l.radius1},
                             {"angle2", l.angle2}, {"radius2", l.radius2},
                             {"lengthSquared", l.lengthSquared}, {"color", l.color}});
    Json circles = Json::array();
    for (const HitCircle& c : model.circles)
        circles.push_back(Json{{"x", c.x}, {"y", c.y}, {"r", c.r}, {"angle", c.angle},
                               {"distance", c.distance}});
    return Json{{"name", model.name}, {"lines", lines}, {"circles", circles}};
}

// The commands of a Script or a frame slot, each with its parameters.
Json commandsJson(const std::vector<Command>& commands) {
    Json list = Json::array();
    for (const Command& command : commands) {
        Json params = Json::array();
        for (const SpawnParam& p : command.params)
            params.push_back(Json{{"name", p.name}, {"text", p.text}, {"intValue", p.intValue},
                                  {"floatValue", p.floatValue}, {"modelIndex", p.modelIndex},
                                  {"scriptIndex", p.scriptIndex}});
        list.push_back(Json{{"name", command.name}, {"params", params}});
    }
    return list;
}

// One ShipDef with its seven names.
Json shipJson(const ShipDef& ship) {
    return Json{{"name", ship.name},   {"model", ship.model}, {"shot1", ship.shot1},
                {"shot2", ship.shot2}, {"bomb", ship.bomb},   {"bombeffect", ship.bombeffect},
                {"powershot", ship.powershot}};
}

}  // namespace

std::string defsJsonText() {
    const Registries& defs = game.defs;
    Json json;
    Json& models = json["models"] = Json::array();
    for (const Model& model : defs.modelRegistry) models.push_back(modelJson(model));
    Json& scripts = json["scripts"] = Json::array();
    for (const Script& script : defs.scriptRegistry)
        scripts.push_back(Json{{"name", script.name}, {"commands", commandsJson(script.commands)}});
    Json& ships = json["ships"] = Json::array();
    for (const ShipDef& ship : defs.shipRegistry) ships.push_back(shipJson(ship));
    json["timelineLength"] = defs.timelineLength;
    Json& timeline = json["timeline"] = Json::array();
    for (size_t slot = 0; slot < defs.timeline.size(); ++slot) {
        if (defs.timeline[slot].commands.empty()) continue;
        timeline.push_back(
            Json{{"slot", slot}, {"commands", commandsJson(defs.timeline[slot].commands)}});
    }
    Json& glyphs = json["fontGlyphs"] = Json::array();
    for (const Model& glyph : defs.fontGlyphs)
        glyphs.push_back(Json{{"name", glyph.name}, {"lines", glyph.lines.size()}});
    json["glyphTable"] = defs.glyphTable;
    const JsonLines lines{{"models", "scripts", "ships", "timeline", "fontGlyphs"}, {}};
    return jsonText(json, lines) + "\n";
}
