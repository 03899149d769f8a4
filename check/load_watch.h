// The load watcher of quillfray-check: an observer of the game's own loaders that turns
// what they read, skip, cut and drop into positioned warnings, and keeps the source
// places of every model, script, ship and command for the checks after the load.
#pragma once

#include "defs/defs.h"
#include "check/diagnostics.h"

#include <array>
#include <cstddef>
#include <span>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// One parameter of a parsed command, as written and where.
struct ParamSource {
    SourcePos nameAt, valueAt;
    std::string nameText, valueText;       // the tokens as written, uncut
};

// Where a Command the load produced ended up.
enum class CommandHome : uint8_t { Pending, Script, Slot, Dropped };

// A Command with the places of its parts.
struct CommandSource {
    SourcePos at;                          // the "command" or "cmd" keyword
    SourcePos wordAt;                      // the command word
    std::string wordText;                  // the word as written, uncut; empty if none
    bool wordGiven = false;
    std::vector<ParamSource> params;       // one per parameter of `command`
    Command command;                       // as parsed
    bool inTimeline = false;               // from a stage event
    CommandHome home = CommandHome::Pending;
    size_t owner = 0;                      // script index or timeline slot
    size_t index = 0;                      // position among the owner's commands
    std::string tag;                       // file tag of its file
};

// A model or script definition and where it stands.
struct DefinitionSource {
    SourcePos at;                          // the block keyword (the event name for inline blocks)
    SourcePos nameAt;                      // the name token, else the keyword
    size_t index = 0;                      // position in its registry
    bool isInline = false;                 // an inline event block (scripts only)
};

// A ship block and where its fields were written.
struct ShipSource {
    SourcePos at;
    std::array<SourcePos, 7> fieldAt{};    // name, model, shot1, shot2, bomb, bombeffect, powershot
    std::array<bool, 7> given{};
    size_t index = 0;
};

// A music channel's instrument as written and where.
struct ChannelSource {
    SourcePos at;                          // the instrument's name (the keyword if none)
    std::string instrument;                // as stored: cut to nameCut
    bool kept = true;                      // within its block's channel limit
};

// A run of tokens skipped one after another in one block.
struct SkipRun {
    bool open = false;
    SourcePos at;
    std::string first;
    size_t count = 0;
    size_t end = 0;                        // text offset just past the last token
};

// One block being parsed.
struct WatchFrame {
    BlockKind kind = BlockKind::Model;
    bool shortForm = false;
    SourcePos at;                          // the block keyword
    std::string keyword;
    std::string_view block;                // the block's content in the text
    SkipRun run;
    size_t shortValues = 0;                // short form: values read so far
    bool shortCut = false;                 // short form: ran out of values (reported)
    std::vector<size_t> commands;          // script and event blocks: command records
    size_t command = SIZE_MAX;             // command blocks: its record
    SourcePos nameAt;                      // model and script blocks: the name
    bool named = false;
    ShipSource ship;                       // ship blocks
    int64_t base = 0;                      // stages: first slot
    bool hasLength = false;                // stages: a length was given
    bool lengthPending = false;            // stages: a length waits to be applied
    int64_t lengthAsked = 0;               // stages: the last length written
    SourcePos lengthAt;
    size_t channels = 0;                   // music blocks: channels read so far
};

// The observer installed in the loaded registries' `observer` while quillfray-check loads.
struct LoadWatch final : LoadObserver {
    LoadWatch(DiagnosticSink& sink, const Registries& defs) : sink(sink), defs(defs) {
        glyphKeyOwner.fill(-1);
    }

    DiagnosticSink& sink;
    const Registries& defs;                // the registries being loaded
    std::vector<CommandSource> commands;
    std::vector<DefinitionSource> models;  // level-loader models, in registry order
    std::vector<DefinitionSource> scripts; // scripts, in registry order
    std::vector<ShipSource> ships;
    std::vector<DefinitionSource> glyphs;  // font models, in glyph order
    std::vector<ChannelSource> channels;   // music channels, in the order written
    std::array<int32_t, 256> glyphKeyOwner; // glyph that last claimed each key, -1 none
    std::vector<std::string> fileTags;     // per file of the sink: its tag
    std::vector<bool> fileIsFont;          // per file of the sink

    // Starts watching one file's definition text (`map` gives its byte positions).
    void beginFile(uint32_t file, std::string_view text, const SourceMap* map, bool font);
    // Ends the file: the last run of skipped tokens is reported.
    void endFile();

    void blockOpened(BlockKind kind, std::string_view keyword, const HeaderBlock& block,
                     bool shortForm) override;
    void blockClosed(BlockKind kind) override;
    void tokenSkipped(std::string_view token) override;
    void valueRead(std::string_view keyword, std::string_view value, ValueKind kind) override;
    void paramRead(std::string_view name, std::string_view value) override;
    void paramDropped(std::string_view name) override;
    void inlineSkipped(std::string_view name, std::string_view value,
                       std::string_view block) override;
    void commandParsed(const Command& command) override;
    void commandPlaced(int64_t slot, bool kept) override;
    void musicChannelRead(std::string_view text, const MmlChannel& channel) override;

    // Where a token view stands in the file, or the enclosing block's keyword.
    SourcePos posOf(std::string_view view) const;

private:
    uint32_t file_ = 0;
    std::string_view text_;
    const SourceMap* map_ = nullptr;
    bool font_ = false;
    bool unclosedReported_ = false;
    SkipRun topRun_;
    std::vector<WatchFrame> frames_;
    size_t lastCommand_ = SIZE_MAX;
    // Commands kept in timeline slots, by slot: a shorter length drops those at or past
    // the new end, whichever stage placed them.
    std::multimap<int64_t, size_t> slotted_;

    SkipRun& currentRun();
    void flushRun(SkipRun& run);
    void settleStage();
    void checkHeader(const WatchFrame& frame, const HeaderBlock& block);
    void checkBlockEnd(const WatchFrame& frame, const HeaderBlock& block, bool dropped);
    void checkName(std::string_view keyword, std::string_view value, SourcePos at);
    void checkShortValue(WatchFrame& frame, std::string_view value);
    void checkStageLength(WatchFrame& stage, std::string_view value, SourcePos at);
    void closeModel(const WatchFrame& frame);
    void closeScript(const WatchFrame& frame);
    // ---- sound_check.cpp
    // Checks a waveform's name (sound blocks) or records a channel's instrument (music).
    void checkSoundName(std::string_view keyword, std::string_view value, SourcePos at);
    // Warns when a sound parameter or a tempo lies outside its range, with what it becomes.
    void checkSoundRange(const WatchFrame& frame, std::string_view keyword, std::string_view value,
                         SourcePos at);
    bool offsetOf(std::string_view view, size_t& offset) const;
    SourcePos posAt(size_t offset) const;
};

// What a block of this kind is called in a message.
std::string_view blockTitle(BlockKind kind);
// Whether this kind of block takes its header by the block header rule.
bool usesHeaderRule(BlockKind kind);
