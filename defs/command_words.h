// The command-word table: one row per CommandWord with its spelling, what a stage event
// does with it, the parameters it reads and what quillfray-check warns about when one is
// missing. The parser (defs/vocabulary.cpp), the timeline (script/timeline.cpp) and the
// checker (check/command_check.cpp) all read it; what a word does is its handler in
// script/execute.cpp, whose list the compiler holds to this table.
#pragma once

#include "core/vocabulary.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// What a stage event (a timeline slot) does with a command word.
enum class StageRule : uint8_t {
    Unset,        // no rule given: the table's checks reject such a row
    Ignored,      // does nothing in a stage event
    NoContext,    // runs on the stage's origin with context -1
    FirstPlayer,  // runs on the stage's origin with context 0
};

// A parameter a command word reads by its whole name without a parameter table.
struct OwnRead {
    ParamName name = ParamName::Unknown;
    ParamRead read = ParamRead::Ignored;   // WholeNumber or Integer
};

// Everything but the handler that the game knows about one command word.
struct CommandWordRow {
    CommandWord word;
    std::string_view spelling;             // as written in a command block
    std::string_view alias;                // a second spelling, or empty
    StageRule stage;
    std::optional<ParamReader> reader;     // the table of actors/param_use.h it reads by
    std::array<OwnRead, 2> ownReads;       // without a table: the names it reads itself
    ParamName required;                    // without this parameter it does little ...
    std::string_view withoutRequired;      // ... namely this (for the checker)
};

namespace commandwords {

constexpr size_t count = static_cast<size_t>(CommandWord::Count_);

using W = CommandWord;
using P = ParamName;
using enum StageRule;
constexpr std::optional<ParamReader> none = std::nullopt;

// One row per CommandWord, in the order of the enum.
inline constexpr std::array<CommandWordRow, count> rows = {{
    // word         spelling      alias  stage        reader              own reads
    //                                                                    required, without it
    {W::Unknown,    "",           "",    Ignored,     none,               {},
                                                                          P::Unknown, ""},
    {W::Spawn,      "spawn",      "",    NoContext,   ParamReader::Spawn, {},
                                                                          P::Unknown, ""},
    {W::Trigger,    "trigger",    "",    FirstPlayer, none,               {{{P::Id, ParamRead::Integer}}},
                                                                          P::Id, "does nothing"},
    // Sets the shot cooldown of the player in context; file reloading is app/live_reload.cpp.
    {W::Reload,     "reload",     "",    Ignored,     none,               {{{P::Time, ParamRead::Integer}}},
                                                                          P::Time, "does nothing"},
    {W::Boss,       "boss",       "",    FirstPlayer, none,               {{{P::Hp, ParamRead::WholeNumber},
                                                                            {P::Time, ParamRead::Integer}}},
     P::Hp, "adds no bar: the hold ends only when its time runs out"},
    {W::Selfmodify, "selfmodify", "",    Ignored,     ParamReader::Alter, {},
                                                                          P::Unknown, ""},
    {W::Alter,      "alter",      "",    Ignored,     ParamReader::Alter, {},
                                                                          P::Unknown, ""},
    {W::Reflx,      "reflx",      "",    Ignored,     none,               {},
                                                                          P::Unknown, ""},
    {W::Refly,      "refly",      "",    Ignored,     none,               {},
                                                                          P::Unknown, ""},
    {W::Remove,     "remove",     "",    Ignored,     none,               {},
                                                                          P::Unknown, ""},
    // For the player's ears only: the step's events carry them to app/.
    {W::Sound,      "sound",      "",    NoContext,   none,               {{{P::Name, ParamRead::SoundName}}},
                                                                          P::Name, "plays nothing"},
    {W::Music,      "music",      "",    NoContext,   none,               {{{P::Name, ParamRead::SoundName}}},
                                                                          P::Name, "plays nothing"},
}};

// Whether the row reads the whole name `name` by itself.
constexpr bool readsOwn(const CommandWordRow& row, ParamName name) {
    for (const OwnRead& own : row.ownReads)
        if (own.name != P::Unknown && own.name == name) return true;
    return false;
}

// Whether every row stands at the index of its word, has a spelling and a stage rule,
// reads by a table or by its own names (not both), and reads what it requires.
constexpr bool rowsWellFormed() {
    for (size_t i = 0; i < rows.size(); ++i) {
        const CommandWordRow& row = rows[i];
        if (row.word != static_cast<CommandWord>(i) || row.stage == Unset) return false;
        if (i > 0 && row.spelling.empty()) return false;
        if (row.reader && (readsOwn(row, row.ownReads[0].name) || readsOwn(row, row.ownReads[1].name)))
            return false;
        if (row.required != P::Unknown && !readsOwn(row, row.required)) return false;
        if ((row.required != P::Unknown) != !row.withoutRequired.empty()) return false;
    }
    return true;
}
static_assert(rowsWellFormed(), "commandwords::rows: one complete row per CommandWord, in enum order");

// Whether no two spellings (aliases included) are the same.
constexpr bool spellingsDistinct() {
    for (size_t i = 1; i < rows.size(); ++i) {
        for (size_t j = 1; j < rows.size(); ++j) {
            const std::array<std::string_view, 2> as = {rows[i].spelling, rows[i].alias};
            const std::array<std::string_view, 2> bs = {rows[j].spelling, rows[j].alias};
            for (size_t k = 0; k < 2; ++k) {
                for (size_t l = 0; l < 2; ++l) {
                    if (as[k].empty() || (i == j && k == l)) continue;
                    if (as[k] == bs[l]) return false;
                }
            }
        }
    }
    return true;
}
static_assert(spellingsDistinct(), "commandwords::rows: a spelling names two command words");

}  // namespace commandwords

// The table row of `word` (the Unknown row for a value outside the table).
constexpr const CommandWordRow& commandWordRow(CommandWord word) {
    const auto i = static_cast<size_t>(word);
    return commandwords::rows[i < commandwords::count ? i : 0];
}

// Whether the word reads no parameter at all (so any it is given is ignored).
constexpr bool takesNoParameters(const CommandWordRow& row) {
    return !row.reader && row.ownReads[0].name == ParamName::Unknown &&
           row.ownReads[1].name == ParamName::Unknown;
}

// The context a stage event runs a word with under `rule` (Ignored: none, never asked).
constexpr int32_t stageContext(StageRule rule) { return rule == StageRule::FirstPlayer ? 0 : -1; }
