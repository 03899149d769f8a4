// What every word of the definition files means, in one place: the command words and
// parameter names keyed by their enums, the prefixes, the block keywords and the words
// inside each block, and the sound block's parameters from soundParamTable. The reference
// page (docs/reference.md, written by quillfray-reference) and an editor's hover read it.
#pragma once

#include "core/vocabulary.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What sort of word an entry describes.
enum class WordKind : uint8_t {
    Command,     // a command word (after `cmd`)
    Parameter,   // a parameter name inside a command block
    Event,       // an event keyword (a parameter naming a script)
    Flag,        // a flag parameter (0 or 1) or `flag` itself
    Prefix,      // a prefix before a numeric parameter name (`s_x`, `d_speed`)
    Block,       // a block keyword (`model`, `script`, `stage` ...)
    BlockWord,   // a word inside a block other than a command block
    SoundParam,  // a word of a sound block
};

// One described word. `where` names the block or command it belongs to.
struct WordDoc {
    WordKind kind;
    std::string_view name;
    std::string_view where;
    std::string_view text;       // what it does
    std::string_view unit;       // its unit or value, or empty
    std::string_view fallback;   // its default, or empty
};

// ---- vocabulary_docs.cpp

// The description of a command word (empty for Unknown).
std::string_view describeCommand(CommandWord word);
// The description of a parameter name (empty for Unknown).
WordDoc describeParam(ParamName name);
// Whether a parameter takes the numeric prefixes (s_ e_ o_ for spawn, d_ f_ m_ r_ for alter).
bool takesPrefix(ParamName name);
// Every described word: command words, parameters, events, flags, prefixes, block
// keywords, block words and sound parameters, in the reference page's order.
std::span<const WordDoc> vocabularyDocs();
// The entries spelled `word` (a word can be a block keyword, a block word and a parameter).
std::vector<WordDoc> findWordDocs(std::string_view word);
// A hover text for `word` as written in a file, in Markdown: every entry of that spelling;
// a prefixed parameter (`s_speed`) gets its prefix's meaning and the parameter's. Empty
// when the word means nothing.
std::string describeWord(std::string_view word);
// The whole reference page (docs/reference.md) in Markdown.
std::string vocabularyReference();
