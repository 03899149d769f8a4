// Definition files: the reader, the parsers and loaders that fill the registries with
// the records of core/records.h, the vocabulary of command words and parameter names,
// the grammar, and the observer through which tools watch a load. Every loader fills the
// Registries it is given and reads relative names from the data folder it is given; the
// forms without them load the running game's (game.defs, game.dataDir).
#pragma once

#include "core/records.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The value of a short block header ("script wave1 { ... }"): the block behaves as if it
// began with its inner keyword followed by this value. Empty for the long form.
using HeaderValue = std::optional<std::string_view>;

// ---------------------------------------------------------------- reader.cpp

// A C stream that closes when it goes out of scope (the reader's and the streamed load's).
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Where each byte of a definition text came from (for diagnostics); optional.
struct SourceMap {
    std::string path;
    std::vector<uint32_t> line;            // per text byte: 1-based line in the file
    std::vector<uint32_t> column;          // per text byte: 1-based column in the file
};

// A position in a definition text; text before `pos` is consumed.
struct Cursor {
    std::string_view text;
    size_t pos = 0;
    bool atEnd() const { return pos >= text.size(); }
};

// Where the definition file named `name` is read from: inside `dataDir` when one is
// given and the name is relative, else the name itself.
std::string definitionPath(std::string_view dataDir, const std::string& name);
// The same inside the game's data folder (game.dataDir).
std::string definitionPath(const std::string& name);
// Why `dir` cannot serve as the data folder (--data), or "" when it is a folder.
std::string dataDirProblem(const std::string& dir);
// The file's length in bytes, found by seeking to its end; 0 if it cannot be opened or
// is not a regular file (a directory opens on some systems but has no length to read).
int64_t definitionFileSize(const std::string& path);
// Appends the processed content of the file to `text`; false if it cannot be opened.
bool readDefinitionFile(const std::string& path, std::string& text, SourceMap* map = nullptr);
// The same as readDefinitionFile on `content` held in memory as the text of file `path`
// (an editor's unsaved text): the same pieces, the same map.
bool readDefinitionMemory(std::string_view content, const std::string& path, std::string& text,
                          SourceMap* map = nullptr);
// The definition text of a file's whole `content` (built into the program), processed as
// readDefinitionFile processes a file.
std::string processDefinitionText(std::string_view content);
// Appends the definition text of `content` (whole lines of a file, or the rest of it) to
// `text`, as processDefinitionText gives it.
void appendDefinitionText(std::string_view content, std::string& text);
// The definition text of the file named `name` (read from definitionPath), cut where the
// load's text budget (limits::maxDefinitionText over all files since resetRegistries)
// runs out; the file joins defs.loadedFiles.
std::string readBudgetedText(Registries& defs, std::string_view dataDir, const std::string& name);
// Definition files of at least this many bytes share their load with a second thread;
// tests lower or raise it to load the same text both ways.
extern size_t loadSharingFrom;
// Parses the whole top-level elements of `text` from byte `from` on and returns where it
// stopped. Unless `whole`, more text may follow: an element whose reading reaches the end
// of `text` is left unparsed, and its start is returned.
using TextPartParser = std::function<size_t(std::string_view text, size_t from, bool whole)>;
// Reads the file named `name` as readBudgetedText does and hands its text to `parse`. A file
// of loadSharingFrom bytes or more is read on a second thread while `parse` takes its text
// as it comes (parseWhileReading), and joins defs.loadedFiles once `parse` is done.
void parseBudgetedText(Registries& defs, std::string_view dataDir, const std::string& name,
                       const TextPartParser& parse);
// The line without leading and trailing white space.
std::string_view trimBlanks(std::string_view line);
// The characters up to the next blank; the cursor moves past that blank.
std::string_view nextToken(Cursor& cursor);
// The blanks in `text`, counted eight bytes at a time.
size_t countBlanks(std::string_view text);
// The content of the block whose opening "{" was just read.
std::string_view takeBlock(Cursor& cursor);
// A token read as by atof, rounded to a 32-bit float.
float readFloat(std::string_view token);
// A token read as by atol (atoi): leading digits only, 0 if none; saturates at the
// 32-bit range.
int32_t readInt(std::string_view token);

// A block introduced by a block keyword, cut out with the block header rule.
struct HeaderBlock {
    std::string_view block;                // content, as takeBlock returns it
    HeaderValue header;                    // short header value, if there was one
    std::string_view first, second;        // the tokens read after the keyword (second:
                                           // empty when the first one opened the block)
};
// Takes the tokens after a block keyword and the block itself (block header rule).
HeaderBlock takeHeaderBlock(Cursor& cursor);

// ---------------------------------------------------------------- text_stream.cpp

// Bytes of a file read at a time while its text goes to the parse as it comes; tests lower
// it so that elements straddle many chunk ends.
extern size_t textStreamChunk;
// Produces the definition text of the file at `path` (`size` bytes long when measured) on
// a second thread, a chunk of whole lines at a time, cut after `room` bytes, and folds it
// into `hash`; meanwhile `parse` takes each part of it as it is published, and the text
// whole at the end. Returns the text's length.
size_t parseWhileReading(const std::string& path, size_t size, size_t room, uint64_t& hash,
                         const TextPartParser& parse);

// ---------------------------------------------------------------- models.cpp

// The file tag appended to names read while `ordinal` is the file ordinal.
std::string fileTag(int32_t ordinal);
// Builds one Model from the content of a model block (`header`: short-form name).
Model parseModel(const Registries& defs, std::string_view block, int32_t fileOrdinal,
                 HeaderValue header = {});
// Index of the first Model whose stored name equals `name`, else 0.
int32_t findModel(const Registries& defs, std::string_view name);
// The same in the running game's registries.
int32_t findModel(std::string_view name);
// Appends a Model to modelRegistry and its name to the index.
void appendModel(Registries& defs, Model model);
// Derives the Model's line reach and longest line, which the run-time shortcuts use, and
// counts the measure in defs.modelStamp.
void measureModel(Registries& defs, Model& model);
// Measures every Model of game.defs (for registries filled by hand).
void measureModels();

// ---------------------------------------------------------------- names.cpp

// The hash code a NameIndex files `name` under (never 0, which marks an empty slot).
uint64_t nameHash(std::string_view name);
// Where `name` stands in a registry's index, or null if no entry has that name.
const NameSpan* findName(const NameIndex& index, std::string_view name);
// False when no name the index holds can equal `name` (none begins with its first byte):
// the lookup is answered without hashing or probing.
inline bool mayHoldName(const NameIndex& index, std::string_view name) {
    if (name.empty()) return index.holdsEmpty;
    const auto b = static_cast<unsigned char>(name.front());
    return (index.firstBytes[b >> 6] >> (b & 63)) & 1;
}
// The same with the name's hash code already known (one hash serves several indexes).
const NameSpan* findName(const NameIndex& index, std::string_view name, uint64_t hash);
// The slot a name whose hash code is `hash` is probed from in a table of mask + 1 slots.
// The high half alone places and tells names apart in the slots, so that it can stand for
// the code.
inline size_t nameSlot(uint64_t hash, size_t mask) { return (hash >> 32) & mask; }
// Starts reading the slot a lookup of a name hashed `hash` begins at, so that work done
// meanwhile hides the wait.
inline void prefetchName(const NameIndex& index, uint64_t hash) {
    if (index.slots.empty()) return;
    __builtin_prefetch(&index.slots[nameSlot(hash, index.slots.size() - 1)]);
}
// False when no name the index holds has a hash code whose high half is `hashHigh`.
bool mayHoldHash(const NameIndex& index, uint32_t hashHigh);
// Records entry `position` under `name`: the first position stays, the last moves on.
// The table is kept at most half full.
void indexName(NameIndex& index, const std::string& name, uint32_t position);

// ---------------------------------------------------------------- font.cpp

// Loads font.vec into fontGlyphs and glyphTable; always true.
bool loadFontFile(Registries& defs, std::string_view dataDir, const std::string& path);
// The same into the running game's registries.
bool loadFontFile(const std::string& path);
// Loads the definition text of a font file into fontGlyphs and glyphTable.
void loadFontText(Registries& defs, std::string_view text);
// The same for the part of `text` from `from` on, as a TextPartParser.
size_t loadFontTextPart(Registries& defs, std::string_view text, size_t from, bool whole);
// The character a glyph of at least four characters named `name` (file tag included)
// draws: its 4th character, or the one a spelled name spells (symopenbrace: '{').
unsigned char glyphKey(std::string_view name);

// ---------------------------------------------------------------- level.cpp

// Empties the registries; ordinal 0, counter 1. The font, timelineLength and modelStamp
// are left alone.
void resetRegistries(Registries& defs);
// The same for game.defs, and empties the Actor and Emitter lists, whose entries hold
// indices into the registries.
void resetRegistries();
// An absent file defines nothing but still advances the ordinal.
bool loadDefinitionFile(Registries& defs, std::string_view dataDir, const std::string& path);
// The same into the running game's registries.
bool loadDefinitionFile(const std::string& path);
// Parses one file's definition text, fills parameters left at 0 from names defined
// later, and moves on to the next file ordinal.
void loadDefinitionText(Registries& defs, std::string_view text);
// Builds one ShipDef from the content of a ship block (`header`: short-form name).
ShipDef parseShip(const Registries& defs, std::string_view block, HeaderValue header = {});
// The top-level grammar: "model", "ship", "script", "stage", "sound" and "music" blocks;
// every other token is skipped on its own.
void parseTopLevel(Registries& defs, std::string_view text);
// The same for the part of `text` from `from` on, as a TextPartParser.
size_t parseTopLevelPart(Registries& defs, std::string_view text, size_t from, bool whole);
// A whole load in the game's order: base.vec, font.vec, then default.lev or every
// level file named.
void loadDefinitions(Registries& defs, std::string_view dataDir,
                     std::span<const std::string> levelFiles);
// The same into the running game's registries (start-up and reload).
void loadDefinitions(std::span<const std::string> levelFiles);

// ---------------------------------------------------------------- references.cpp

// Fills parameters still at 0 from names defined later (after each file).
void resolveReferences(Registries& defs);
// Files the parameters of Script `position`, just appended, for the next pass to look up
// (appendScript calls it).
void fileNewScript(Registries& defs, size_t position);
// From this many filed parameters, the pass shares their first lookups with a second
// thread; tests lower or raise it to run the pass both ways.
extern size_t referenceSharingFrom;

// ---------------------------------------------------------------- stages.cpp

// Builds a Script from the content of a script block. `depth` counts the inline event
// blocks around it (0 for a script block of its own).
Script parseScriptBlock(Registries& defs, std::string_view block, HeaderValue header = {},
                        int depth = 0);
// Appends a stage's frame slots to the timeline (`header`: short-form length).
void parseStageBlock(Registries& defs, std::string_view block, HeaderValue header = {});
// Index of the first Script whose stored name equals `name`, else 0.
int32_t findScript(const Registries& defs, std::string_view name);
// The same in the running game's registries.
int32_t findScript(std::string_view name);
// Appends a Script to scriptRegistry and keeps the name index up to date.
void appendScript(Registries& defs, Script script);

// ---------------------------------------------------------------- sounds.cpp

// The keywords of a sound block: "name", "wave" and the parameter words of
// soundParamTable (audio/audio.h), in its order.
std::span<const std::string_view> soundBlockWords();
// Builds one SoundDef from the content of a sound block (`header`: short-form name):
// each parameter word takes the next token as a number, "wave" a waveform's name (an
// unknown one is a square); the values are clamped into their ranges.
SoundDef parseSoundBlock(const Registries& defs, std::string_view block, HeaderValue header = {});
// Builds one MusicDef from the content of a music block: "tempo" takes a whole number
// (clamped to 1..999), each "channel" a sound's name and the channel's MML, a quoted
// string (blanks kept, up to the closing quote or the block's end) or one token. At most
// limits::maxMusicChannels channels a block; the instruments are looked up among the
// sounds defined so far (resolveInstruments finds later ones).
MusicDef parseMusicBlock(Registries& defs, std::string_view block, HeaderValue header = {});
// Index of the sound named `name`, else -1.
int32_t findSound(const Registries& defs, std::string_view name);
// Index of the music named `name`, else -1.
int32_t findMusic(const Registries& defs, std::string_view name);
// Stores a sound: it replaces the one of the same name in its place, else joins the
// registry while it holds fewer than limits::maxSounds; false when dropped.
bool appendSound(Registries& defs, SoundDef sound);
// The same for music (limits::maxMusic).
bool appendMusic(Registries& defs, MusicDef music);
// Looks up the instruments of music channels that have no sound yet (after each file).
void resolveInstruments(Registries& defs);

// ---------------------------------------------------------------- commands.cpp

// Turns the content of one command block into a Command (`header`: short-form word;
// `depth`: inline event blocks around the command).
Command parseCommand(Registries& defs, std::string_view text, HeaderValue header = {},
                     int depth = 0);

// ---------------------------------------------------------------- vocabulary.cpp

// The command word spelled `word` in the table of defs/command_words.h, else Unknown.
CommandWord commandWordOf(std::string_view word);
// Every spelling of that table (aliases after their word's own), in enum order.
std::span<const std::string_view> commandWordSpellings();
// The vocabulary entry spelled exactly `name`, or Unknown.
ParamName paramNameOf(std::string_view name);
// The spelling of a vocabulary entry (diagnostics and tests).
std::string_view paramNameText(ParamName name);

// ---------------------------------------------------------------- load observer

// The blocks the parsers walk, as an observer of the load sees them.
enum class BlockKind : uint8_t {
    Model,         // a model block (level loader or font file)
    Line,          // a model's "line" element
    Circle,        // a model's "hitc" element
    Colour,        // a model's "color" element
    Alpha,         // a model's "alpha" element
    Ship,
    Script,        // a script block of its own
    InlineScript,  // an event parameter's inline block
    Stage,
    Event,
    Command,
    Sound,         // a sound block
    Music,         // a music block
};

// How a keyword's value is read.
enum class ValueKind : uint8_t { Float, Int, Name, Word };

// Told what the parsers read while definition text is parsed, so that a tool can report
// what the game silently skips, cuts or misreads. Parsing never depends on it: with no
// observer (`Registries::observer` null) each call site costs one null test. Every token
// view handed over points into the definition text being parsed, except the literal
// keys of model short forms and empty views at the end of a block.
struct LoadObserver {
    virtual ~LoadObserver() = default;
    // A block keyword and what the header rule took after it. Model elements call it too,
    // with `shortForm` set (and an empty block) for their fixed-length short form.
    virtual void blockOpened(BlockKind kind, std::string_view keyword, const HeaderBlock& block,
                             bool shortForm) = 0;
    // The block opened last is parsed, and the record it makes (if any) appended.
    virtual void blockClosed(BlockKind kind) = 0;
    // A token the parsing loop did not recognise and skipped.
    virtual void tokenSkipped(std::string_view token) = 0;
    // A keyword (or short-form key) and the value token read for it.
    virtual void valueRead(std::string_view keyword, std::string_view value, ValueKind kind) = 0;
    // A parameter pair the command parser read; `value` as written ("{" for a block).
    virtual void paramRead(std::string_view name, std::string_view value) = 0;
    // A parameter name at the end of a command block: no value, no parameter.
    virtual void paramDropped(std::string_view name) = 0;
    // An inline block nested past limits::maxBlockDepth, skipped whole.
    virtual void inlineSkipped(std::string_view name, std::string_view value,
                               std::string_view block) = 0;
    // The Command a command block gave, before it is appended anywhere.
    virtual void commandParsed(const Command& command) = 0;
    // Where an event block put its last Command: kept in `slot`, or dropped outside the stage.
    virtual void commandPlaced(int64_t slot, bool kept) = 0;
    // A music channel's MML text (inside its quotes) and what it was read into; its error
    // columns count from the text's first byte.
    virtual void musicChannelRead(std::string_view text, const MmlChannel& channel) {
        static_cast<void>(text);
        static_cast<void>(channel);
    }
};

// ---------------------------------------------------------------- grammar.cpp

// The physical line length the reader handles in one piece (a 1024-byte line buffer);
// a longer line is read in pieces, which can cut a token in two.
inline constexpr size_t pieceLimit = 1023;
// The files a load reads, in this order: the base file, the font file, then the level
// files (the default level file when none is named).
inline constexpr std::string_view baseFile = "base.vec";
inline constexpr std::string_view fontFile = "font.vec";
inline constexpr std::string_view defaultLevelFile = "default.lev";

// The block keywords of a file's top level (`font`: of the font file).
std::span<const std::string_view> topLevelKeywords(bool font);
// The keywords a block of this kind recognises (a model element's: its long-form keys).
std::span<const std::string_view> blockKeywords(BlockKind kind);
// The values a model element's short form takes, in order (empty: the kind has none).
std::span<const std::string_view> shortFormKeys(BlockKind kind);
// The level files a load reads: those named, or the default level file when none is.
std::vector<std::string> levelFilesToLoad(std::span<const std::string> named);
// Whether the path names a regular file that opens for reading.
bool readableFile(const std::string& path);
