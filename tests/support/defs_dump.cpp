// Test helpers for the definition loaders: registry dump and random definition text.
#include "tests/support/defs_dump.h"

#include "audio/audio.h"
#include "core/game_state.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace testing_support {

namespace {

// A float with every bit shown.
std::string exact(float v) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%a", static_cast<double>(v));
    return buffer;
}

// A name with its tag bytes made visible.
std::string shown(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\x01') out += "\\1";
        else if (static_cast<unsigned char>(c) < 32) out += "\\x" + std::to_string(static_cast<unsigned char>(c));
        else out += c;
    }
    return out;
}

// One model: name, lines, circles.
void dumpModel(std::string& out, const Model& m) {
    out += "model " + shown(m.name) + "\n";
    for (const ModelLine& l : m.lines)
        out += " line " + exact(l.x1) + " " + exact(l.y1) + " " + exact(l.x2) + " " + exact(l.y2) +
               " " + exact(l.angle1) + " " + exact(l.radius1) + " " + exact(l.angle2) + " " +
               exact(l.radius2) + " " + exact(l.lengthSquared) + " " + std::to_string(l.color) + "\n";
    for (const HitCircle& c : m.circles)
        out += " hitc " + exact(c.x) + " " + exact(c.y) + " " + exact(c.r) + " " + exact(c.angle) +
               " " + exact(c.distance) + "\n";
}

// One script or timeline slot: name, commands, parameters with every form.
void dumpScript(std::string& out, const Script& s) {
    out += "script " + shown(s.name) + "\n";
    for (const Command& c : s.commands) {
        out += " cmd " + shown(c.name) + " " + std::to_string(static_cast<int>(c.word)) + "\n";
        for (const SpawnParam& p : c.params)
            out += "  " + shown(p.name) + "=" + shown(p.text) + " " + std::to_string(p.intValue) +
                   " " + exact(p.floatValue) + " " + std::to_string(p.modelIndex) + " " +
                   std::to_string(p.scriptIndex) + " " + std::to_string(static_cast<int>(p.prefix)) +
                   " " + std::to_string(static_cast<int>(p.plainName)) + " " +
                   std::to_string(static_cast<int>(p.wholeName)) + "\n";
    }
}

}  // namespace

std::string dumpRegistries() { return dumpRegistries(game.defs); }

std::string dumpRegistries(const Registries& d) {
    std::string out;
    for (const Model& m : d.modelRegistry) dumpModel(out, m);
    for (const Script& s : d.scriptRegistry) dumpScript(out, s);
    for (const ShipDef& s : d.shipRegistry)
        out += "ship " + shown(s.name) + "|" + shown(s.model) + "|" + shown(s.shot1) + "|" +
               shown(s.shot2) + "|" + shown(s.bomb) + "|" + shown(s.bombeffect) + "|" +
               shown(s.powershot) + "\n";
    for (size_t i = 0; i < d.timeline.size(); ++i) {
        if (d.timeline[i].commands.empty()) continue;
        out += "slot " + std::to_string(i) + "\n";
        dumpScript(out, d.timeline[i]);
    }
    out += "timeline " + std::to_string(d.timeline.size()) + " " + std::to_string(d.timelineLength) + "\n";
    for (const Model& m : d.fontGlyphs) dumpModel(out, m);
    for (size_t i = 0; i < d.glyphTable.size(); ++i)
        if (d.glyphTable[i] != 0) out += "glyph " + std::to_string(i) + "=" + std::to_string(d.glyphTable[i]) + "\n";
    for (const SoundDef& sound : d.soundRegistry) {
        out += "sound " + shown(sound.name) + " " + std::to_string(static_cast<int>(sound.params.wave));
        for (const SoundParamInfo& info : soundParamTable())
            out += " " + exact(sound.params.*(info.field));
        out += "\n";
    }
    for (const MusicDef& music : d.musicRegistry) {
        out += "music " + shown(music.name) + " " + std::to_string(music.tempo) + " " +
               std::to_string(music.song.lengthTicks) + "\n";
        for (size_t i = 0; i < music.channels.size(); ++i) {
            const MmlChannel& channel = music.song.channels.at(i);
            out += " channel " + shown(music.channels[i].instrument) + " " +
                   std::to_string(music.channels[i].sound) + " errors " +
                   std::to_string(channel.errors.size()) + " notes";
            for (const MmlNote& n : channel.notes)
                out += " " + std::to_string(n.startTick) + "/" + std::to_string(n.lengthTicks) + "/" +
                       std::to_string(n.midiNote);
            out += "\n";
        }
    }
    out += "ordinal " + std::to_string(d.fileOrdinal) + " counter " + std::to_string(d.anonymousScriptCounter) + "\n";
    return out;
}

std::string dumpLoadState(const Registries& d) {
    std::string out;
    for (const LoadedFile& file : d.loadedFiles)
        out += "file " + shown(file.path) + " " + std::to_string(file.hash) + "\n";
    out += "text " + std::to_string(d.textLoaded) + "\n";
    for (const PendingParams* list : {&d.references.models, &d.references.scripts}) {
        out += "pending";
        for (const PendingParams::Entry& e : list->entries)
            out += " " + std::to_string(e.script) + "/" + std::to_string(e.command) + "/" +
                   std::to_string(e.param) + "/" + std::to_string(e.next);
        out += "\n";
    }
    return out;
}

// Random raw file content from the definition-file vocabulary.
std::string randomDefinitionText(std::mt19937& rng, size_t tokens) {
    static constexpr std::array<std::string_view, 71> words = {
        "model", "ship", "script", "stage", "event", "command", "cmd", "name", "line", "hitc",
        "color", "alpha", "x1", "y1", "x2", "y2", "x", "y", "r", "g", "b", "a", "length",
        "frame", "spawn", "alter", "trigger", "boss", "remove", "speed", "s_an", "e_an", "o_x",
        "d_speed", "count", "time", "ans", "onleave", "ondie", "onspawn", "onhit", "id", "hp",
        "shot1", "bomb", "model", "rock", "pellet", "wave", "Rock", "0", "1", "-2", "0.5",
        "1e3", "2.5x", "abc", "600", "120", "{", "}", "{", "}", "nothing", "sound", "music",
        "channel", "freq", "tempo", "\"o5", "c\""};
    std::uniform_int_distribution<size_t> pick(0, words.size() - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::string out;
    for (size_t i = 0; i < tokens; ++i) {
        const int r = percent(rng);
        std::string token(words[pick(rng)]);
        if (r < 4) token = "{" + token;            // a brace joined in front
        else if (r < 8) token = "}" + token;       // a token joined after a brace
        else if (r < 10) token += "{";             // a brace joined behind
        else if (r < 11) token = std::string(35, 'n');  // an over-long name
        out += token;
        const int sep = percent(rng);
        if (sep < 10) out += "\n";
        else if (sep < 13) out += "\t";
        else if (sep < 15) out += " // a comment\n";
        else if (sep < 17) out += "  ";
        else out += " ";
    }
    return out;
}

}  // namespace testing_support
