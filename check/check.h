// quillfray-check: loads the definition files with the game's own loaders, watched, and
// reports everything the game would silently skip, cut or misread.
#pragma once

#include "defs/defs.h"
#include "check/diagnostics.h"
#include "check/load_watch.h"

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The files of one check run, read in the game's order; relative names are read from
// `dataDir` when one is given, as the game's --data does.
struct CheckInput {
    std::string basePath{baseFile};        // read first when present
    std::string fontPath{fontFile};        // read second when present
    std::vector<std::string> levelFiles;   // every level file, in order
    std::string dataDir;                   // empty: the working directory
    // Texts read instead of files, by path as definitionPath gives it (an editor's
    // unsaved documents); such a path counts as readable.
    std::map<std::string, std::string, std::less<>> texts;
    // Called with the load watch after the checks, before it goes (the language server
    // reads the places of definitions and uses from it).
    std::function<void(const LoadWatch&)> inspect;
};

// What one check run found.
struct CheckResult {
    DiagnosticSink sink;                   // the warnings, sorted
    std::vector<std::string> unreadable;   // level files that could not be read
};

// Loads the files as the game does into `defs` (emptied first), with the load watched,
// and runs every check; the loaded registries stay in `defs` afterwards. The game's own
// state is never touched.
CheckResult runCheck(const CheckInput& input, Registries& defs);
// The same on registries of its own, dropped afterwards.
CheckResult runCheck(const CheckInput& input);
// The report on the level files `named` (default.lev when none) as quillfray-check prints
// it, `dataDir` as CheckInput's; empty when all is well.
std::string checkReport(std::span<const std::string> named, const std::string& dataDir);

// What a command's parameters mean to the command that reads them, and whether each is
// written so that it is read as meant (command_check.cpp).
void checkCommands(const LoadWatch& watch, DiagnosticSink& sink);

// Names that resolve to nothing or to something unexpected, duplicate definitions,
// ships, and what the game itself needs from base.vec (reference_check.cpp).
void checkReferences(const LoadWatch& watch, DiagnosticSink& sink);

// Music channels whose instrument names no sound, and sound and music commands whose name
// finds no sound or tune (sound_check.cpp).
void checkSounds(const LoadWatch& watch, const Registries& defs, DiagnosticSink& sink);

// How a command reads one of its parameters (for spawn, alter and selfmodify, as the
// table of actors/param_use.h says).
enum class ParamUse : uint8_t {
    Ignored,      // the command does nothing with it
    Number,       // the float value
    Integer,      // the integer value
    ModelName,    // the model index
    ScriptName,   // the script index
    Presence,     // only that it is there
    SoundName,    // the sound or tune it names
};

// How command `word` reads a parameter (decoded name and prefix as the parser left them).
ParamUse paramUse(CommandWord word, const SpawnParam& param);

// ---- editor_help.cpp

// What sort of word a completion offers.
enum class CompletionKind : uint8_t { Command, Parameter, Event, Keyword, Name };

// One word an editor may offer at the cursor.
struct CompletionWord {
    std::string label;
    CompletionKind kind = CompletionKind::Keyword;
    std::string_view detail;
};

// The kind of defined name that fits after the word before the cursor.
enum class NameWanted : uint8_t { None, Model, Script, Sound };

// What the words of a line before the cursor ask for.
struct CompletionAsk {
    std::string prefix;                  // the word being written, case folded (may be empty)
    std::string previous;                // the word before it, case folded
    NameWanted names = NameWanted::None; // a defined name of this kind fits here
};

// Folds A-Z to a-z and cuts to the length names are looked up by.
std::string editorNameKey(std::string_view text);
// What the text of a line before the cursor asks for (nothing inside a comment).
CompletionAsk completionAsk(std::string_view lineBefore);
// The vocabulary's words for `ask` that start with its prefix: command words after `cmd`;
// none where a name is wanted (but after `name`, which also starts a block's name);
// else block keywords, block words and parameters, prefixed ones included.
std::vector<CompletionWord> vocabularyCompletions(const CompletionAsk& ask);
// The word under or just before 0-based (line, column), as written (may be empty).
std::string tokenAt(std::string_view text, uint32_t line, uint32_t column);
