// What an editor offers while a file is written: the word under the cursor, and the
// vocabulary's words that may come next (command words after `cmd`, else block keywords,
// block words and parameter names with their prefixes). The language server and the
// browser playground both answer from here.
#include "check/check.h"

#include "actors/param_use.h"
#include "defs/vocabulary_docs.h"

#include <algorithm>
#include <set>

namespace {

// Whether `c` parts words, as the reader splits them: blanks and braces.
bool partsWords(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '{' ||
           c == '}';
}

// Adds a word unless it lacks `prefix` or is there already.
void addWord(std::vector<CompletionWord>& words, std::set<std::string, std::less<>>& seen,
             std::string_view label, CompletionKind kind, std::string_view detail,
             std::string_view prefix) {
    if (!label.starts_with(prefix) || !seen.emplace(label).second) return;
    words.push_back({std::string(label), kind, detail});
}

// The vocabulary's parameter names (event names among them), with their prefixes where a
// prefix counts.
void addParams(std::vector<CompletionWord>& words, std::set<std::string, std::less<>>& seen,
               std::string_view prefix) {
    for (size_t i = 1; i < static_cast<size_t>(ParamName::Count_); ++i) {
        const auto name = static_cast<ParamName>(i);
        const std::string text(paramNameText(name));
        const ParamRead spawn = paramRead(ParamReader::Spawn, name);
        const ParamRead alter = paramRead(ParamReader::Alter, name);
        if (spawn == ParamRead::Event || alter == ParamRead::Event) {
            addWord(words, seen, text, CompletionKind::Event, "event", prefix);
            continue;
        }
        addWord(words, seen, text, CompletionKind::Parameter, "parameter", prefix);
        if (spawn == ParamRead::Number)
            for (const char* p : {"s_", "e_", "o_"})
                addWord(words, seen, p + text, CompletionKind::Parameter,
                        "spawn parameter with a prefix", prefix);
        if (alter == ParamRead::Number)
            for (const char* p : {"d_", "m_", "r_"})
                addWord(words, seen, p + text, CompletionKind::Parameter,
                        "alter parameter with a prefix", prefix);
    }
}

}  // namespace

std::string editorNameKey(std::string_view text) {
    std::string out(text.substr(0, nameCut));
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

CompletionAsk completionAsk(std::string_view lineBefore) {
    if (lineBefore.find("//") != std::string_view::npos) lineBefore = {};
    std::vector<std::string> words;
    std::string word;
    for (const char c : lineBefore) {
        if (partsWords(c)) {
            if (!word.empty()) words.push_back(editorNameKey(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    CompletionAsk ask;
    if (!word.empty()) ask.prefix = editorNameKey(word);
    const size_t before = words.size();
    ask.previous = before > 0 ? words[before - 1] : std::string{};
    const std::string& p = ask.previous;
    const bool takesScript = paramRead(ParamReader::Spawn, paramNameOf(p)) == ParamRead::Event ||
                             p == "shot1" || p == "shot2" || p == "bomb" || p == "bombeffect" ||
                             p == "powershot";
    if (p == "model") ask.names = NameWanted::Model;
    else if (takesScript) ask.names = NameWanted::Script;
    else if (p == "name" || p == "channel") ask.names = NameWanted::Sound;
    return ask;
}

std::vector<CompletionWord> vocabularyCompletions(const CompletionAsk& ask) {
    std::vector<CompletionWord> words;
    std::set<std::string, std::less<>> seen;
    if (ask.previous == "cmd" || ask.previous == "command") {
        for (const std::string_view word : commandWordSpellings())
            addWord(words, seen, word, CompletionKind::Command, "command", ask.prefix);
        return words;
    }
    if (ask.names != NameWanted::None && ask.previous != "name") return words;
    for (const std::string_view word : topLevelKeywords(false))
        addWord(words, seen, word, CompletionKind::Keyword, "block", ask.prefix);
    for (int kind = 0; kind <= static_cast<int>(BlockKind::Music); ++kind)
        for (const std::string_view word : blockKeywords(static_cast<BlockKind>(kind)))
            addWord(words, seen, word, CompletionKind::Keyword, "keyword", ask.prefix);
    addParams(words, seen, ask.prefix);
    return words;
}

std::string tokenAt(std::string_view text, uint32_t line, uint32_t column) {
    size_t begin = 0;
    for (uint32_t n = 0; n < line; ++n) {
        begin = text.find('\n', begin);
        if (begin == std::string_view::npos) return {};
        ++begin;
    }
    std::string_view row = text.substr(begin);
    row = row.substr(0, row.find('\n'));
    size_t at = std::min<size_t>(column, row.size());
    size_t start = at;
    while (start > 0 && !partsWords(row[start - 1])) --start;
    size_t end = at;
    while (end < row.size() && !partsWords(row[end])) ++end;
    return std::string(row.substr(start, end - start));
}
