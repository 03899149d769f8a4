// What the server answers about a document: completion from the vocabulary tables and the
// loaded names, definitions and references of names, the outline and the folds.
#include "tools/lsp/lsp.h"

#include "actors/param_use.h"
#include "defs/defs.h"
#include "defs/vocabulary_docs.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>

using nlohmann::json;

namespace {

// LSP completion item kinds.
enum ItemKind : int { Function = 3, Property = 10, Keyword = 14, Reference = 18, Event = 23 };

// Folds A-Z to a-z and cuts to the length names are looked up by.
std::string nameKey(std::string_view text) {
    std::string out(text.substr(0, nameCut));
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The words of `line` before `column`, split at blanks and braces.
std::vector<std::string> wordsBefore(std::string_view text, uint32_t line, uint32_t column,
                                     bool& endsInWord) {
    size_t begin = 0;
    for (uint32_t n = 0; n < line && begin != std::string_view::npos; ++n) {
        begin = text.find('\n', begin);
        if (begin != std::string_view::npos) ++begin;
    }
    std::string_view row = begin == std::string_view::npos ? std::string_view{} : text.substr(begin);
    row = row.substr(0, std::min<size_t>(row.find('\n'), column));
    if (const size_t comment = row.find("//"); comment != std::string_view::npos) row = {};
    std::vector<std::string> words;
    std::string word;
    for (const char c : row) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '{' || c == '}') {
            if (!word.empty()) words.push_back(nameKey(word));
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    endsInWord = !word.empty();
    if (!word.empty()) words.push_back(nameKey(word));
    return words;
}

// Adds an item unless its label lacks `prefix` or is there already.
void addItem(json& items, std::set<std::string>& seen, std::string_view label, int kind,
             std::string_view detail, std::string_view prefix) {
    if (!label.starts_with(prefix) || !seen.emplace(label).second) return;
    items.push_back({{"label", label}, {"kind", kind}, {"detail", detail}});
}

// The names of one kind defined in the level set of `path`.
void addNames(json& items, std::set<std::string>& seen, const LevelSetReport& report,
              NameKind kind, std::string_view detail, std::string_view prefix) {
    for (const NameSite& site : report.sites)
        if (site.definition && site.kind == kind)
            addItem(items, seen, site.name, Reference, detail, prefix);
}

// The vocabulary's parameter names (event names among them), with their prefixes where a
// prefix counts.
void addParams(json& items, std::set<std::string>& seen, std::string_view prefix) {
    for (size_t i = 1; i < static_cast<size_t>(ParamName::Count_); ++i) {
        const auto name = static_cast<ParamName>(i);
        const std::string text(paramNameText(name));
        const ParamRead spawn = paramRead(ParamReader::Spawn, name);
        const ParamRead alter = paramRead(ParamReader::Alter, name);
        if (spawn == ParamRead::Event || alter == ParamRead::Event) {
            addItem(items, seen, text, Event, "event", prefix);
            continue;
        }
        addItem(items, seen, text, Property, "parameter", prefix);
        if (spawn == ParamRead::Number)
            for (const char* p : {"s_", "e_", "o_"})
                addItem(items, seen, p + text, Property, "spawn parameter with a prefix", prefix);
        if (alter == ParamRead::Number)
            for (const char* p : {"d_", "m_", "r_"})
                addItem(items, seen, p + text, Property, "alter parameter with a prefix", prefix);
    }
}

// The site under the cursor in `path`, if any.
const NameSite* siteAt(const LevelSetReport& report, const std::string& path, uint32_t line,
                       uint32_t column) {
    for (const NameSite& site : report.sites)
        if (site.at.path == path && site.at.line == line && column >= site.at.column &&
            column <= site.at.column + site.at.length)
            return &site;
    return nullptr;
}

// The definitions the name under the cursor resolves to: the file's own, else the others
// of its level set (base.vec).
std::vector<NameSite> resolve(const Workspace& space, const std::string& path, uint32_t line,
                              uint32_t column, LevelSetReport& report) {
    report = space.check(path);
    const NameSite* here = siteAt(report, path, line, column);
    const std::string key = here ? here->name : nameKey(tokenAt(space.textOf(path), line, column));
    std::vector<NameSite> own, other;
    for (const NameSite& site : report.sites) {
        if (!site.definition || site.name != key || key.empty()) continue;
        if (here && site.kind != here->kind) continue;
        (site.at.path == path ? own : other).push_back(site);
    }
    return own.empty() ? other : own;
}

// An LSP Location.
json locationOf(const Place& at) { return {{"uri", uriOfPath(at.path)}, {"range", rangeOf(at)}}; }

// The LSP symbol kind of a block keyword.
int symbolKind(std::string_view keyword) {
    if (keyword == "model") return 5;    // Class
    if (keyword == "script") return 12;  // Function
    if (keyword == "ship") return 23;    // Struct
    if (keyword == "stage") return 3;    // Namespace
    if (keyword == "event") return 24;   // Event
    if (keyword == "sound") return 14;   // Constant
    if (keyword == "music") return 2;    // Module
    return 19;                           // Object
}

// One DocumentSymbol of a block; stages list their events.
json symbolOf(const OutlineBlock& block, size_t ordinal) {
    std::string name = block.keyword.empty() ? "{" : block.keyword;
    if (!block.name.empty()) name = block.keyword == "event" ? "event " + block.name : block.name;
    else if (block.keyword == "stage") name = "stage " + std::to_string(ordinal);
    const json range = {{"start", {{"line", block.line}, {"character", block.column}}},
                        {"end", {{"line", block.endLine}, {"character", block.endColumn + 1}}}};
    const json selection = {
        {"start", {{"line", block.line}, {"character", block.column}}},
        {"end", {{"line", block.line},
                 {"character", block.column + std::max<size_t>(1, block.keyword.size())}}}};
    json symbol = {{"name", name}, {"detail", block.keyword}, {"kind", symbolKind(block.keyword)},
                   {"range", range}, {"selectionRange", selection}};
    if (block.keyword == "stage") {
        json children = json::array();
        for (const OutlineBlock& child : block.children)
            if (child.keyword == "event") children.push_back(symbolOf(child, 0));
        symbol["children"] = std::move(children);
    }
    return symbol;
}

// Adds the folds of `blocks` and of the blocks inside them.
void addFolds(json& folds, const std::vector<OutlineBlock>& blocks) {
    for (const OutlineBlock& block : blocks) {
        if (block.endLine > block.line)
            folds.push_back({{"startLine", block.line}, {"endLine", block.endLine}});
        addFolds(folds, block.children);
    }
}

}  // namespace

json rangeOf(const Place& at) {
    return {{"start", {{"line", at.line}, {"character", at.column}}},
            {"end", {{"line", at.line}, {"character", at.column + at.length}}}};
}

json completionsAt(const Workspace& space, const std::string& path, uint32_t line, uint32_t column) {
    bool endsInWord = false;
    const std::vector<std::string> words = wordsBefore(space.textOf(path), line, column, endsInWord);
    const std::string prefix = endsInWord ? words.back() : std::string{};
    const size_t before = words.size() - (endsInWord ? 1 : 0);
    const std::string previous = before > 0 ? words[before - 1] : std::string{};
    json items = json::array();
    std::set<std::string> seen;
    if (previous == "cmd" || previous == "command") {
        for (const std::string_view word : commandWordSpellings())
            addItem(items, seen, word, Function, "command", prefix);
        return items;
    }
    const ParamName named = paramNameOf(previous);
    const bool takesScript = paramRead(ParamReader::Spawn, named) == ParamRead::Event ||
                             previous == "shot1" || previous == "shot2" || previous == "bomb" ||
                             previous == "bombeffect" || previous == "powershot";
    if (previous == "model" || takesScript || previous == "name" || previous == "channel") {
        const LevelSetReport report = space.check(path);
        if (previous == "model") addNames(items, seen, report, NameKind::Model, "model", prefix);
        else if (takesScript) addNames(items, seen, report, NameKind::Script, "script", prefix);
        else addNames(items, seen, report, NameKind::Sound, "sound", prefix);
        if (previous != "name" || !items.empty()) return items;
    }
    for (const std::string_view word : topLevelKeywords(false))
        addItem(items, seen, word, Keyword, "block", prefix);
    for (int kind = 0; kind <= static_cast<int>(BlockKind::Music); ++kind)
        for (const std::string_view word : blockKeywords(static_cast<BlockKind>(kind)))
            addItem(items, seen, word, Keyword, "keyword", prefix);
    addParams(items, seen, prefix);
    return items;
}

json definitionsAt(const Workspace& space, const std::string& path, uint32_t line, uint32_t column) {
    LevelSetReport report;
    json locations = json::array();
    for (const NameSite& site : resolve(space, path, line, column, report))
        locations.push_back(locationOf(site.at));
    return locations;
}

json referencesAt(const Workspace& space, const std::string& path, uint32_t line, uint32_t column,
                  bool withDeclaration) {
    LevelSetReport report;
    const std::vector<NameSite> targets = resolve(space, path, line, column, report);
    json locations = json::array();
    if (targets.empty()) return locations;
    const NameSite& target = targets.front();
    // A file's own names are private to it; base.vec's are seen by every level beside it.
    std::vector<LevelSetReport> reports;
    if (target.at.path == path && std::filesystem::path(path).filename() != baseFile) {
        reports.push_back(std::move(report));
    } else {
        reports.push_back(space.check(target.at.path));
        for (const std::string& level : space.levelFilesBeside(target.at.path))
            reports.push_back(space.check(level));
    }
    std::set<std::tuple<std::string, uint32_t, uint32_t>> seen;
    for (const LevelSetReport& r : reports) {
        for (const NameSite& site : r.sites) {
            if (site.kind != target.kind || site.name != target.name) continue;
            if (site.definition && !withDeclaration) continue;
            // A use in another level that defines the name itself is its own.
            if (!site.definition && site.at.path != target.at.path) {
                const bool shadowed = std::any_of(r.sites.begin(), r.sites.end(), [&](const NameSite& d) {
                    return d.definition && d.kind == site.kind && d.name == site.name &&
                           d.at.path == site.at.path;
                });
                if (shadowed) continue;
            }
            if (seen.emplace(site.at.path, site.at.line, site.at.column).second)
                locations.push_back(locationOf(site.at));
        }
    }
    return locations;
}

json documentSymbols(std::string_view text) {
    json symbols = json::array();
    size_t stages = 0;
    for (const OutlineBlock& block : outlineOf(text)) {
        if (block.keyword == "stage") ++stages;
        symbols.push_back(symbolOf(block, stages));
    }
    return symbols;
}

json foldingRanges(std::string_view text) {
    json folds = json::array();
    addFolds(folds, outlineOf(text));
    return folds;
}

json hoverAt(const Workspace& space, const std::string& path, uint32_t line, uint32_t column) {
    const std::string word = tokenAt(space.textOf(path), line, column);
    const std::string text = word.empty() ? std::string() : describeWord(word);
    if (text.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
}
