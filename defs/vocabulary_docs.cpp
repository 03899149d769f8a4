// The descriptions of the vocabulary: one row per CommandWord and per ParamName in enum
// order (the compiler holds the tables to the enums), the prefixes, the blocks and their
// words, and the sound block's words with their ranges and defaults from soundParamTable.
#include "defs/vocabulary_docs.h"

#include "audio/audio.h"
#include "defs/command_words.h"
#include "defs/defs.h"

#include <array>
#include <cstdio>
#include <deque>

namespace {

using K = WordKind;

// What a command word does, in the order of CommandWord.
constexpr std::array<std::string_view, commandwords::count> commandTexts = {
    "",
    "Makes an Emitter that releases new Actors from the running Actor (the origin); in a "
    "stage event the origin is (0, 0) with heading 0. Runs in scripts and stage events.",
    "`id N`: fires `ontrigger` on every Actor whose id is N. Runs in scripts and stage events.",
    "`time N`: the ship's next normal shot waits N steps (weapon scripts only).",
    "Starts a boss fight: `hp H` per bar (repeat for more bars), `time T` limit in steps "
    "(default 36000). The timeline waits until every bar is emptied or the time has passed. "
    "Runs in scripts and stage events.",
    "Changes the running Actor (the same as `alter`).",
    "Changes the running Actor: prefixes `d_` add, `m_` multiply, `r_` add a random amount "
    "between -value and +value, `f_` or none set.",
    "Mirrors the running Actor's heading left-right.",
    "Mirrors the running Actor's heading up-down.",
    "Sets every field of the running Actor to zero; it leaves at its next update.",
    "`name N`: plays the sound block N, panned by where the running Actor is. Changes "
    "nothing in the game. Runs in scripts and stage events.",
    "`name N`: plays the music block N from its start (a tune already playing goes on); "
    "`name stop` stops the music. Runs in scripts and stage events.",
};

// What a parameter name means: its text, unit and default.
struct ParamText {
    std::string_view text;
    std::string_view unit;
    std::string_view fallback;
};

constexpr size_t paramCount = static_cast<size_t>(ParamName::Count_);

constexpr std::string_view deg = "degrees", degStep = "degrees per step", world = "world units";
constexpr std::string_view script0 = "script 0";
constexpr std::string_view whole = "integer";

// One row per ParamName, in enum order.
constexpr std::array<ParamText, paramCount> paramTexts = {{
    {"", "", ""},
    // positions and angles
    {"spawn: position across, value + the origin's x (alter does not read it).", world, "origin"},
    {"spawn: position down (y grows downward), value + the origin's y (alter does not read it).", world, "origin"},
    {"Position across, ignoring the origin.", world, ""},
    {"Position down, ignoring the origin.", world, ""},
    {"spawn: place across the origin's heading (replaces `x`). alter: moves the Actor across its heading.", world, ""},
    {"spawn: place ahead of the origin along its heading (replaces `y`). alter: moves the Actor along its heading.", world, ""},
    {"First heading of the fan, + the origin's heading (0 points down, 90 right).", deg, "origin heading"},
    {"Same as `san`: first heading of the fan, + the origin's heading.", deg, "origin heading"},
    {"Last heading of the fan, + the origin's heading.", deg, "origin heading"},
    {"Same as `ean`: last heading of the fan, + the origin's heading.", deg, "origin heading"},
    {"spawn: first and last heading at once, + the origin's heading. alter: the heading.", deg, ""},
    {"alter: the heading (same as `an`).", deg, ""},
    {"First heading of the fan, ignoring the origin's heading.", deg, ""},
    {"Last heading of the fan, ignoring the origin's heading.", deg, ""},
    {"First and last heading at once, ignoring the origin's heading.", deg, ""},
    {"Turn per step.", degStep, "0"},
    {"Same as `dan`: turn per step.", degStep, "0"},
    // motion and size
    {"Speed.", "world units per step", "0"},
    {"Same as `spd`: speed.", "world units per step", "0"},
    {"Speed change per step.", "world units per step²", "0"},
    {"Same as `dspd`: speed change per step.", "world units per step²", "0"},
    {"Same as `dspd`: speed change per step.", "world units per step²", "0"},
    {"Same as `dspd`: speed change per step.", "world units per step²", "0"},
    {"Size.", "factor", "1"},
    {"Same as `sc`: size.", "factor", "1"},
    {"Size change per step.", "factor per step", "0"},
    {"Same as `dsc`: size change per step.", "factor per step", "0"},
    {"Same as `dsc`: size change per step.", "factor per step", "0"},
    {"Same as `dsc`: size change per step.", "factor per step", "0"},
    {"Drawing rotation.", deg, "0"},
    {"Same as `rot`: drawing rotation.", deg, "0"},
    {"Rotation per step.", degStep, "0"},
    {"Same as `drot`: rotation per step.", degStep, "0"},
    {"Same as `drot`: rotation per step.", degStep, "0"},
    {"Same as `drot`: rotation per step.", degStep, "0"},
    // health and life
    {"spawn: hit points. boss: the hit points of one bar (repeat for more bars).", "hit points", "1"},
    {"Same as `hp`: hit points (spawn only).", "hit points", "1"},
    {"Damage factor (shots) and vulnerability (targets) (spawn only).", "factor", "1"},
    {"Same as `hitrate` (spawn only).", "factor", "1"},
    {"Steps per life period; when one runs out `ontime` fires.", "steps", "3600"},
    {"alter: the life each new period starts with.", "steps", ""},
    {"Number of life periods; after the last the Actor leaves.", "periods", "1"},
    // whole-name fields
    {"0 hostile (hurts the ship), 1 player shot, other values neither.", whole, "the origin's"},
    {"The Actors' model, by name.", "model name", "model 1"},
    {"spawn: group for `trigger`. trigger: fires `ontrigger` on every Actor of this id.", whole, "0"},
    {"All flag bits at once.", whole, "0"},
    {"Flag: the Actor can be shot.", "0 or 1", "0"},
    {"Flag: the Actor survives bombs.", "0 or 1", "0"},
    {"Flag: the Actor is ignored by `heatseek`.", "0 or 1", "0"},
    {"Flag: a shot without the hit effect (`shot_hit`).", "0 or 1", "0"},
    {"Flag: a shot that is not used up by a hit.", "0 or 1", "0"},
    {"The boss bar the Actor belongs to (1 = first).", whole, "0"},
    {"spawn: ends the Emitter when the running Actor leaves (any value).", "anything", ""},
    {"Actors per cycle (0 counts as 1).", whole, "1"},
    {"Actors per step: count = value × time.", whole, ""},
    {"spawn: steps one cycle is spread over (below 1 counts as 1). boss: the fight's limit "
     "in steps (default 36000). reload: steps the next shot waits.", "steps", "1"},
    {"Cycles; 0 or less: without end.", whole, "1"},
    {"Steps before the first cycle.", "steps", "0"},
    {"Steps between cycles.", "steps", "0"},
    {"Mode of the fan between first and last heading: 0 linear inclusive, 1 end left out, "
     "2/3 random, 4-7 stepped random.", whole, "0"},
    {"Levels of the stepped random modes (below 1 counts as 1).", whole, "1"},
    {"alter: turns the heading toward the player by at most this much.", deg, ""},
    {"alter: turns the heading toward the nearest hittable target by at most this much.", deg, ""},
    // event keywords
    {"Every step of the Actor.", "script name or { block }", script0},
    {"Same as `onevery`: every step of the Actor.", "script name or { block }", script0},
    {"When a life period runs out (once per period).", "script name or { block }", script0},
    {"Every step while the Actor's position is past the left edge.", "script name or { block }", script0},
    {"Every step while the Actor's position is past the right edge.", "script name or { block }", script0},
    {"Every step while the Actor's position is past the top edge.", "script name or { block }", script0},
    {"Every step while the Actor's position is past the bottom edge.", "script name or { block }", script0},
    {"All four edges: every step while the Actor's position is past one (`onleave clear` removes bullets).", "script name or { block }", script0},
    {"Once, when a shot took the Actor's last hit point.", "script name or { block }", script0},
    {"Once, when the last life period runs out, just before the Actor goes.", "script name or { block }", script0},
    {"Once, when the Actor has just appeared (spawn only).", "script name or { block }", script0},
    {"When a `trigger` names the Actor's id.", "script name or { block }", script0},
    {"Once per crossing of the player's column.", "script name or { block }", script0},
    {"Once per crossing of the player's row.", "script name or { block }", script0},
    {"Every step while the whole model is past the left edge.", "script name or { block }", script0},
    {"Every step while the whole model is past the right edge.", "script name or { block }", script0},
    {"Every step while the whole model is past the top edge.", "script name or { block }", script0},
    {"Every step while the whole model is past the bottom edge.", "script name or { block }", script0},
    {"All four edges for the whole model (`onfleave clear` for enemies).", "script name or { block }", script0},
    {"Once, when its boss bar was emptied; then it leaves.", "script name or { block }", script0},
    {"Once, when the boss fight timed out; then it leaves.", "script name or { block }", script0},
    {"On a player shot: it hit a target (spawn only).", "script name or { block }", script0},
    // sound and music commands
    {"sound, music: the sound or music block to play (`stop` stops the music).", "sound or music name", ""},
}};

// Whether every row but Unknown's has a text (a row left out of a table is empty).
template <typename Rows, typename Text>
constexpr bool everyRowDescribed(const Rows& rows, Text text) {
    for (size_t i = 1; i < rows.size(); ++i)
        if (text(rows[i]).empty()) return false;
    return true;
}
static_assert(everyRowDescribed(commandTexts, [](std::string_view t) { return t; }),
              "commandTexts: one description per CommandWord, in enum order");
static_assert(everyRowDescribed(paramTexts, [](const ParamText& p) { return p.text; }),
              "paramTexts: one description per ParamName, in enum order");

// The words that are not parameters of a command, in the reference page's order.
constexpr WordDoc fixedDocs[] = {
    {K::Prefix, "s_", "spawn", "Sets only the start of the parameter's range.", "", ""},
    {K::Prefix, "e_", "spawn", "Sets only the end of the parameter's range.", "", ""},
    {K::Prefix, "o_", "spawn", "Sets the range's mode: 0 linear inclusive, 1 linear with the end "
     "left out, 2 random shared, 3 random fresh, 4/5 one of `ans` + 1 values, 6/7 one of `ans` "
     "values with the end left out.", "mode", "0"},
    {K::Prefix, "d_", "alter", "Adds the value.", "", ""},
    {K::Prefix, "f_", "alter", "Sets the value (the same as no prefix).", "", ""},
    {K::Prefix, "m_", "alter", "Multiplies by the value.", "", ""},
    {K::Prefix, "r_", "alter", "Adds a random amount between -value and +value.", "", ""},
    {K::Block, "model", "top level", "A set of coloured line segments and hit circles: `model NAME { ... }`.", "", ""},
    {K::Block, "ship", "top level", "A ship the player can choose: `ship NAME { ... }`.", "", ""},
    {K::Block, "script", "top level", "A named list of commands: `script NAME { ... }`.", "", ""},
    {K::Block, "stage", "top level", "Appends `length` frames to the timeline: `stage LENGTH { ... }`.", "", ""},
    {K::Block, "sound", "top level", "One sound effect and its synthesizer's parameters: `sound NAME { ... }`.", "", ""},
    {K::Block, "music", "top level", "A tune: a tempo and channels of MML: `music NAME { ... }`.", "", ""},
    {K::Block, "event", "stage", "Places commands at a frame of its stage: `event FRAME { ... }`; "
     "no frame: the frame after the previous event's last.", "", ""},
    {K::Block, "command", "script, event", "One command: `command WORD { ... }`.", "", ""},
    {K::Block, "cmd", "script, event", "Short for `command`; inside a command block it sets the command word.", "", ""},
    {K::BlockWord, "name", "model, ship, script, sound, music", "The block's name (cut to 29 characters).", "", ""},
    {K::BlockWord, "line", "model", "A line segment: `line X1 Y1 X2 Y2` or `line { x1 .. y2 }`.", "model units", ""},
    {K::BlockWord, "hitc", "model", "A hit circle: `hitc X Y R`.", "model units", ""},
    {K::BlockWord, "color", "model", "The colour of the lines after it: `color R G B`.", "0..255", "255 255 255"},
    {K::BlockWord, "alpha", "model", "The opacity of the lines after it: `alpha A`.", "0 transparent .. 255 opaque", "255"},
    {K::BlockWord, "x1", "line", "Start of the segment across.", "model units", "0"},
    {K::BlockWord, "y1", "line", "Start of the segment down.", "model units", "0"},
    {K::BlockWord, "x2", "line", "End of the segment across.", "model units", "0"},
    {K::BlockWord, "y2", "line", "End of the segment down.", "model units", "0"},
    {K::BlockWord, "x", "hitc", "Centre of the circle across.", "model units", "0"},
    {K::BlockWord, "y", "hitc", "Centre of the circle down.", "model units", "0"},
    {K::BlockWord, "r", "hitc, color, alpha", "hitc: the radius; color: the red channel.", "", "0"},
    {K::BlockWord, "g", "color, alpha", "The green channel.", "0..255", ""},
    {K::BlockWord, "b", "color, alpha", "The blue channel.", "0..255", ""},
    {K::BlockWord, "a", "color, alpha", "The opacity.", "0..255", ""},
    {K::BlockWord, "model", "ship", "The ship's model.", "model name", "model 0"},
    {K::BlockWord, "shot1", "ship", "Script run on Fire.", "script name", script0},
    {K::BlockWord, "shot2", "ship", "Script run on Fire while Slowdown is held.", "script name", script0},
    {K::BlockWord, "bomb", "ship", "Script run at the ship when a bomb goes off.", "script name", script0},
    {K::BlockWord, "bombeffect", "ship", "Script run on every hostile Actor near the ship when a bomb goes off.", "script name", script0},
    {K::BlockWord, "powershot", "ship", "Script of the power attack.", "script name", script0},
    {K::BlockWord, "length", "stage", "Frames the stage appends to the timeline (60 a second).", "frames", ""},
    {K::BlockWord, "frame", "event", "The frame of the commands after it, from the start of the stage.", "frames", ""},
    {K::BlockWord, "tempo", "music", "Quarter notes a minute, 1 to 999.", "beats per minute", "120"},
    {K::BlockWord, "channel", "music", "A channel: a sound's name as instrument, then its MML in quotes.", "sound name, MML string", ""},
    {K::SoundParam, "wave", "sound", "The waveform: `square`, `saw`, `sine`, `triangle` or `noise`.", "waveform", "square"},
};

// The meaning and unit of each sound block number word.
struct SoundText {
    std::string_view name, text, unit;
};
constexpr SoundText soundTexts[] = {
    {"duty", "Square only: the share of each period that is high.", "share"},
    {"dutysweep", "Square only: change of the duty per second.", "per second"},
    {"freq", "Start frequency.", "Hz"},
    {"slide", "Change of the frequency per second.", "Hz per second"},
    {"deltaslide", "Change of the slide per second.", "Hz per second²"},
    {"vibrato", "Vibrato as a share of the frequency.", "share"},
    {"vibratospeed", "Vibrato cycles per second.", "Hz"},
    {"arp", "Frequency multiplier applied once, at `arptime`.", "factor"},
    {"arptime", "When the multiplier applies (0: never).", "seconds"},
    {"attack", "Rise from silence to full volume.", "seconds"},
    {"sustain", "Time held at full volume.", "seconds"},
    {"punch", "Extra volume at the start of the sustain, fading.", "share"},
    {"decay", "Fall to silence.", "seconds"},
    {"lowpass", "Low-pass cutoff (0: no low-pass).", "Hz"},
    {"lowpasssweep", "Change of the low-pass cutoff per second.", "Hz per second"},
    {"resonance", "Low-pass resonance.", "share"},
    {"highpass", "High-pass cutoff (0: no high-pass).", "Hz"},
    {"highpasssweep", "Change of the high-pass cutoff per second.", "Hz per second"},
    {"repeat", "Restart pitch, slides, duty and arpeggio this often (0: no).", "seconds"},
    {"volume", "The effect's loudness.", "share"},
    {"interval", "Mixer: shortest time between two starts.", "seconds"},
    {"voices", "Mixer: most voices playing this sound at once (rounded to a whole number).", "voices"},
};

// The kind of entry a parameter name makes.
constexpr WordKind paramKind(ParamName name) {
    if (name >= ParamName::Onevery && name <= ParamName::Onhit) return K::Event;
    if (name >= ParamName::Flag && name <= ParamName::Piercing) return K::Flag;
    return K::Parameter;
}

// A number as the reference writes it.
std::string numberText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Every entry, built once; `storage` keeps the texts made from soundParamTable.
struct AllDocs {
    std::deque<std::string> storage;
    std::vector<WordDoc> docs;
};

// Keeps `text` alive as long as the entries and returns a view of it.
std::string_view keep(AllDocs& all, std::string text) {
    return all.storage.emplace_back(std::move(text));
}

// The entries of every word, in the reference page's order.
const AllDocs& allDocs() {
    static const AllDocs all = [] {
        AllDocs a;
        for (const CommandWordRow& row : commandwords::rows) {
            if (row.word == CommandWord::Unknown) continue;
            a.docs.push_back({K::Command, row.spelling, "cmd", describeCommand(row.word), "", ""});
        }
        for (size_t i = 1; i < paramCount; ++i) a.docs.push_back(describeParam(static_cast<ParamName>(i)));
        for (const WordDoc& doc : fixedDocs) a.docs.push_back(doc);
        for (const SoundParamInfo& info : soundParamTable()) {
            std::string_view text, unit;
            for (const SoundText& s : soundTexts)
                if (s.name == info.name) text = s.text, unit = s.unit;
            const std::string range = numberText(info.lowest) + " to " + numberText(info.highest);
            a.docs.push_back({K::SoundParam, info.name, "sound", text,
                              keep(a, std::string(unit) + ", " + range),
                              keep(a, numberText(info.fallback))});
        }
        return a;
    }();
    return all;
}

// The entry's text with its unit and default, in Markdown.
std::string entryText(const WordDoc& doc) {
    std::string text = "**" + std::string(doc.name) + "** (" + std::string(doc.where) + "): " +
                       std::string(doc.text);
    if (!doc.unit.empty()) text += " Unit: " + std::string(doc.unit) + ".";
    if (!doc.fallback.empty()) text += " Default: " + std::string(doc.fallback) + ".";
    return text;
}

}  // namespace

std::string_view describeCommand(CommandWord word) {
    const auto i = static_cast<size_t>(word);
    return i < commandTexts.size() ? commandTexts[i] : std::string_view{};
}

WordDoc describeParam(ParamName name) {
    const auto i = static_cast<size_t>(name);
    if (i == 0 || i >= paramCount) return {K::Parameter, "", "", "", "", ""};
    const ParamText& p = paramTexts[i];
    const WordKind kind = paramKind(name);
    const std::string_view where = kind == K::Event ? "spawn, alter" : "command";
    return {kind, paramNameText(name), where, p.text, p.unit, p.fallback};
}

bool takesPrefix(ParamName name) { return name >= ParamName::X && name <= ParamName::Repeat; }

std::span<const WordDoc> vocabularyDocs() { return allDocs().docs; }

std::vector<WordDoc> findWordDocs(std::string_view word) {
    std::vector<WordDoc> found;
    for (const WordDoc& doc : vocabularyDocs())
        if (doc.name == word) found.push_back(doc);
    return found;
}

std::string describeWord(std::string_view word) {
    std::string text;
    for (const WordDoc& doc : findWordDocs(word)) {
        if (!text.empty()) text += "\n\n";
        text += entryText(doc);
    }
    if (!text.empty() || word.size() < 3 || word[1] != '_') return text;
    const ParamName plain = paramNameOf(word.substr(2));
    if (!takesPrefix(plain)) return text;
    for (const WordDoc& prefix : findWordDocs(word.substr(0, 2)))
        text += (text.empty() ? "" : "\n\n") + entryText(prefix);
    if (text.empty()) text = "An unknown prefix acts as no prefix.";
    return text + "\n\n" + entryText(describeParam(plain));
}

namespace {

// One Markdown table of the entries of `kind`, with or without the "where" column.
void appendTable(std::string& out, WordKind kind, bool withWhere, bool markPrefixes = false) {
    out += withWhere ? "| Word | Where | Meaning | Unit or value | Default |\n|---|---|---|---|---|\n"
                     : "| Word | Meaning | Unit or value | Default |\n|---|---|---|---|\n";
    for (const WordDoc& doc : vocabularyDocs()) {
        if (doc.kind != kind) continue;
        std::string name = "`" + std::string(doc.name) + "`";
        if (markPrefixes && takesPrefix(paramNameOf(doc.name))) name += " ¹";
        out += "| " + name + " | ";
        if (withWhere) out += std::string(doc.where) + " | ";
        out += std::string(doc.text) + " | " + std::string(doc.unit) + " | " +
               std::string(doc.fallback) + " |\n";
    }
    out += "\n";
}

}  // namespace

std::string vocabularyReference() {
    std::string out =
        "# Quillfray vocabulary reference\n\n"
        "<!-- Written by quillfray-reference from defs/vocabulary_docs.cpp: do not edit by hand.\n"
        "     Regenerate with: build/quillfray-reference > docs/reference.md -->\n\n"
        "Every word the definition files know, with its meaning, unit and default. The guide to\n"
        "writing levels, with examples, is [levels.md](levels.md); this page is generated from the\n"
        "same tables the game and `quillfray-check` run on, and a test keeps the two equal.\n\n"
        "## Command words\n\n"
        "Written after `cmd` (or as the header of a `command` block).\n\n";
    appendTable(out, WordKind::Command, false);
    out += "## Parameters\n\n"
           "A parameter is a name and one value inside a command block. Names marked ¹ take a\n"
           "prefix (below); the others are read exactly as written.\n\n";
    appendTable(out, WordKind::Parameter, false, true);
    out += "## Prefixes\n\n"
           "`s_`, `e_` and `o_` for `spawn`; `d_`, `f_`, `m_` and `r_` for `alter` and `selfmodify`.\n"
           "Any other prefix acts as no prefix.\n\n";
    appendTable(out, WordKind::Prefix, true);
    out += "## Events\n\n"
           "An event parameter names the script the event runs, or holds an inline `{ block }`.\n"
           "An event nobody set runs script 0; a slot holding script 1 removes the Actor.\n\n";
    appendTable(out, WordKind::Event, false);
    out += "## Flags\n\n";
    appendTable(out, WordKind::Flag, false);
    out += "## Block keywords\n\n";
    appendTable(out, WordKind::Block, true);
    out += "## Words inside blocks\n\n";
    appendTable(out, WordKind::BlockWord, true);
    out += "## Sound block\n\n"
           "Each word takes a number (`wave` a waveform's name); a value outside its range is\n"
           "clamped into it. Times are in seconds, frequencies in Hz.\n\n";
    appendTable(out, WordKind::SoundParam, false);
    out.pop_back();
    return out;
}
