// Records that the definition files produce: models, glyphs, ships, scripts with their
// commands and parameters, the timeline, and the name indexes over them. Loading
// (defs/) fills them; everything above reads them.
#pragma once

#include "core/sound_records.h"
#include "core/vocabulary.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Longest stored name before the file tag, and longest stored token.
constexpr size_t nameCut = 29;
constexpr size_t tokenCut = 31;

// One visible segment of a Model; polar fields are derived at load time.
struct ModelLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // end points, model units (y down)
    float angle1 = 0, radius1 = 0;         // end 1 seen from the origin: atan2(x1, y1), radians
    float angle2 = 0, radius2 = 0;         // end 2
    float lengthSquared = 0;               // (x2-x1)^2 + (y2-y1)^2
    uint32_t color = 0xFFFFFFFF;           // 0xAARRGGBB
};

// One hit circle of a Model.
struct HitCircle {
    float x = 0, y = 0, r = 0;             // centre and radius, model units
    float angle = 0, distance = 0;         // centre seen from the origin
};

// A named set of lines and hit circles (also a glyph of the font).
struct Model {
    std::string name;                      // <= 29 chars + file tag
    std::vector<ModelLine> lines;
    std::vector<HitCircle> circles;
    // Derived by measureModel (the loader runs it); a negative reach means not measured,
    // and then no shortcut relies on these. Whoever edits the lines measures again.
    float lineReach = -1;                  // largest |radius1|, |radius2| of any line
    float longestLineSquared = 0;          // largest lengthSquared of any line
    float circleCentreReach = 0;           // largest |distance| of any hit circle centre
    float circleRadiusMax = 0;             // largest |r| of any hit circle
    // The distinct line end angles, bit for bit, and which of them each end has (two per
    // line, end 1 first), so that drawing turns each angle once; both empty for Models of
    // more than maxTurnPlanLines lines.
    std::vector<float> endAngles;
    std::vector<uint8_t> endAngleOf;
    static constexpr size_t maxTurnPlanLines = 32;
};

// One named parameter of a Command, converted at load time into every form.
struct SpawnParam {
    std::string name;                      // as written, <= 31 chars, prefix included
    std::string text;                      // value as written, <= 31 chars; "{" for inline blocks
    int32_t intValue = 0;                  // value as by atol
    float floatValue = 0;                  // value as by atof, rounded to float
    uint32_t modelIndex = 0;               // Model named by the value, 0 if none
    uint32_t scriptIndex = 0;              // Script named by the value, 0 if none
    // Decoded name, so that running never compares strings:
    char prefix = 0;                       // first letter when name[1] == '_', else 0
    ParamName plainName = ParamName::Unknown;  // name with a prefix cut off
    ParamName wholeName = ParamName::Unknown;  // whole name, prefix included
};

// One instruction: a command word and its parameters in the order written.
struct Command {
    std::string name;                      // command word, <= 31 chars
    CommandWord word = CommandWord::Unknown;  // decoded `name`
    std::vector<SpawnParam> params;
    // sound and music: the last `name` given, as its place in
    // Registries::soundCommandNames; noSoundName without one, musicStop for "music stop".
    int32_t soundName = -1;
};

// Command::soundName without a name, and the name that stops the music.
constexpr int32_t noSoundName = -1;
constexpr int32_t musicStop = -2;

// A named list of Commands; also the shape of a timeline frame slot.
struct Script {
    std::string name;                      // <= 29 chars + file tag; decimal for inline blocks
    std::vector<Command> commands;
};

// A player ship as the level files define it: plain names, resolved when chosen.
struct ShipDef {
    std::string name, model, shot1, shot2, bomb, bombeffect, powershot;  // <= 29 chars each
};

// A sound block: an effect's name (as written, no file tag) and its clamped parameters.
struct SoundDef {
    std::string name;                      // <= 29 chars
    SoundParams params;
};

// One channel of a music block: the sound that plays it and its notes.
struct MusicChannelDef {
    std::string instrument;                // the sound's name as written, <= 29 chars
    int32_t sound = -1;                    // index in soundRegistry, -1 while none has the name
};

// A music block: its tempo and channels, read into a song (song.channels[i] belongs to
// channels[i]).
struct MusicDef {
    std::string name;                      // <= 29 chars
    int32_t tempo = 120;                   // quarter notes a minute, 1..999
    std::vector<MusicChannelDef> channels;
    MmlSong song;
};

// Where a name stands in a registry: its first and last position.
struct NameSpan {
    uint32_t first = 0;
    uint32_t last = 0;
};

// Hash index over the stored names of a registry; keeps findModel/findScript's
// first-match rule and the command parser's last-match rule exact in O(1). Open
// addressing with linear probing over small slots, the names kept apart in the order
// they came: a level's lookups mostly follow that order (a wave names the rock defined
// with it), so hits walk the entries nearly in sequence. Filled only through indexName.
struct NameIndex {
    struct Entry {
        std::string name;
        NameSpan span;
        uint64_t hash = 0;                 // nameHash(name)
    };
    // Per slot: the high half of the name's hash code above the entry's place + 1 in
    // `entries`, 0 = empty. Only a slot whose half matches sends the lookup to its entry.
    std::vector<uint64_t> slots;
    std::vector<Entry> entries;            // the names in the order first indexed
    // The first bytes the names held begin with (bit b of word b / 64), and whether the
    // empty name is held: a key no name can begin like is answered without a probe.
    std::array<uint64_t, 4> firstBytes{};
    bool holdsEmpty = false;

    bool empty() const { return entries.empty(); }
    size_t size() const { return entries.size(); }
    void clear() { *this = NameIndex{}; }
};

// Parameters whose model (or script) index is still 0, grouped by the hash of their
// lookup key, so that the pass after each file visits only those a new name can reach.
struct PendingParams {
    struct Entry {
        uint32_t script = 0, command = 0, param = 0;  // where the parameter stands
        int32_t next = -1;                            // next entry with the same key hash
    };
    std::vector<Entry> entries;
    std::unordered_map<uint64_t, int32_t> firstByKey;  // key hash -> first entry, -1 none
    size_t filed = 0;                      // entries filed in firstByKey so far
};

// What resolveReferences carries from one file to the next (defs/references.cpp).
struct ReferenceState {
    size_t scriptsSeen = 0;                // Scripts whose parameters a pass has visited
    size_t modelNamesSeen = 0;             // Models whose names a pass has offered
    size_t scriptNamesSeen = 0;            // Scripts whose names a pass has offered
    PendingParams models, scripts;         // parameters with modelIndex / scriptIndex 0
    // Per tag byte: registry positions of the names ending in 0x01 and that byte.
    std::array<std::vector<uint32_t>, 256> modelsByTag, scriptsByTag;
    // Per tag byte: how many of those names, and of the pending entries, the last pass
    // with that tag had seen.
    std::array<size_t, 256> modelsTagSeen{}, scriptsTagSeen{};
    std::array<size_t, 256> modelsPendingSeen{}, scriptsPendingSeen{};
    // A parameter of a Script appended since the last pass: the high half of its lookup
    // key's hash code, the key's first byte, and which indexes are still at 0.
    struct NewParam {
        uint32_t hashHigh = 0;             // nameHash of the plain key, >> 32
        uint8_t firstByte = 0;             // the key's first byte (0 and `emptyKey` if none)
        uint8_t wants = 0;                 // wantsModel | wantsScript | emptyKey; 0: neither
    };
    static constexpr uint8_t wantsModel = 1, wantsScript = 2, emptyKey = 4;
    // Filed by appendScript while each Script is still in the cache, so that the pass reads
    // these instead of the Scripts [newFrom, newTo): newParams holds one per parameter of
    // those Scripts in order, newShape each one's command count followed by each
    // command's parameter count, and newStarts where each Script begins in the two.
    struct NewScript {
        uint32_t param = 0, shape = 0;
    };
    std::vector<NewParam> newParams;
    std::vector<uint32_t> newShape;
    std::vector<NewScript> newStarts;
    size_t newFrom = 0, newTo = 0;
};

struct LoadObserver;

// A definition file as start-up read it: its name as given and the FNV-1a hash of its
// definition text as loaded (an absent file has the hash of no text). Replays name the
// files a run was played on with these.
struct LoadedFile {
    std::string path;
    uint64_t hash = 0;
};

// Everything loading fills. Read-only once start-up is over.
struct Registries {
    std::vector<Model> modelRegistry;      // model blocks of every level-loader file
    std::vector<Script> scriptRegistry;    // script blocks and inline event blocks
    std::vector<ShipDef> shipRegistry;     // ship blocks, in order
    std::vector<Script> timeline;          // one frame slot per step of the level
    int32_t timelineLength = 0;            // level length in frames (steps)
    std::vector<int32_t> stageStarts;      // per stage block, in load order: its first frame
    std::vector<Model> fontGlyphs;         // model blocks of font.vec
    std::array<int32_t, 256> glyphTable{}; // character code -> glyph index
    int32_t fileOrdinal = 0;               // 0 for base.vec, +1 per level-loader file
    int32_t anonymousScriptCounter = 1;    // names inline event scripts
    NameIndex modelNames;                  // index over modelRegistry names
    NameIndex scriptNames;                 // index over scriptRegistry names
    std::vector<SoundDef> soundRegistry;   // sound blocks; a later one of a name replaces it
    std::vector<MusicDef> musicRegistry;   // music blocks; the same rule
    NameIndex soundNames;                  // index over soundRegistry names
    NameIndex musicNames;                  // index over musicRegistry names
    // The names sound and music commands give, each once, in the order first read (at most
    // limits::maxSoundCommandNames); app/ looks them up among the sounds and tunes.
    std::vector<std::string> soundCommandNames;
    NameIndex soundCommandNameIndex;       // index over soundCommandNames
    size_t musicChannelsRead = 0;          // music channels parsed since resetRegistries
    size_t textLoaded = 0;                 // definition text read since resetRegistries
    std::vector<LoadedFile> loadedFiles;   // every definition file read since then, in order
    ReferenceState references;             // resolveReferences' memory between files
    LoadObserver* observer = nullptr;      // told what the parsers read (tools only)
    // Counts every measureModel; never goes back (resetRegistries keeps it), so whatever
    // was worked out from a measured Model can tell that the Model may have changed since.
    uint64_t modelStamp = 0;
};
