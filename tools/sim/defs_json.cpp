// JSON dump of everything the definition files loaded.
#include "tools/sim/defs_json.h"

#include "audio/audio.h"
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

// One sound block: its name, waveform and every parameter as the synthesizer reads it.
Json soundJson(const SoundDef& sound) {
    Json json{{"name", sound.name},
              {"wave", waveNames[static_cast<size_t>(sound.params.wave)]}};
    for (const SoundParamInfo& info : soundParamTable())
        json[std::string(info.name)] = sound.params.*info.field;
    return json;
}

// One music block: its tempo, length and channels with their instruments and note counts.
Json musicJson(const MusicDef& music) {
    Json channels = Json::array();
    for (size_t c = 0; c < music.channels.size(); ++c) {
        const size_t notes = c < music.song.channels.size() ? music.song.channels[c].notes.size() : 0;
        channels.push_back(Json{{"instrument", music.channels[c].instrument},
                                {"sound", music.channels[c].sound}, {"notes", notes}});
    }
    return Json{{"name", music.name}, {"tempo", music.tempo},
                {"lengthTicks", music.song.lengthTicks}, {"channels", channels}};
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
    Json& sounds = json["sounds"] = Json::array();
    for (const SoundDef& sound : defs.soundRegistry) sounds.push_back(soundJson(sound));
    Json& music = json["music"] = Json::array();
    for (const MusicDef& tune : defs.musicRegistry) music.push_back(musicJson(tune));
    json["soundCommandNames"] = defs.soundCommandNames;
    const JsonLines lines{{"models", "scripts", "ships", "timeline", "fontGlyphs", "sounds", "music"}, {}};
    return jsonText(json, lines) + "\n";
}
