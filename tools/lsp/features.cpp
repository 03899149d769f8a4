// What the server answers about a document: completion from the vocabulary tables and the
// loaded names, definitions and references of names, the outline and the folds.
#include "tools/lsp/lsp.h"

#include "check/check.h"
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

// The LSP completion item kind of a vocabulary word.
int itemKind(CompletionKind kind) {
    switch (kind) {
    case CompletionKind::Command: return Function;
    case CompletionKind::Parameter: return Property;
    case CompletionKind::Event: return Event;
    case CompletionKind::Name: return Reference;
    case CompletionKind::Keyword: break;
    }
    return Keyword;
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
    const std::string key = here ? here->name : editorNameKey(tokenAt(space.textOf(path), line, column));
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
    const std::string text = space.textOf(path);
    size_t begin = 0;
    for (uint32_t n = 0; n < line && begin != std::string::npos; ++n) {
        begin = text.find('\n', begin);
        if (begin != std::string::npos) ++begin;
    }
    std::string_view row = begin == std::string::npos ? std::string_view{} : std::string_view(text).substr(begin);
    row = row.substr(0, std::min<size_t>(row.find('\n'), column));
    const CompletionAsk ask = completionAsk(row);
    json items = json::array();
    std::set<std::string> seen;
    if (ask.names != NameWanted::None) {
        const LevelSetReport report = space.check(path);
        if (ask.names == NameWanted::Model) addNames(items, seen, report, NameKind::Model, "model", ask.prefix);
        else if (ask.names == NameWanted::Script) addNames(items, seen, report, NameKind::Script, "script", ask.prefix);
        else addNames(items, seen, report, NameKind::Sound, "sound", ask.prefix);
        if (ask.previous != "name" || !items.empty()) return items;
    }
    for (const CompletionWord& word : vocabularyCompletions(ask))
        addItem(items, seen, word.label, itemKind(word.kind), word.detail, ask.prefix);
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
