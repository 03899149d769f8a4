// The open documents and the level sets they belong to: each check is quillfray-check's
// own run on the documents' unsaved text, and the load watch tells where names stand.
#include "tools/lsp/lsp.h"

#include "check/check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// True for the bytes the reader takes as white space.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Blocks nested deeper than this are left out of the outline.
constexpr size_t maxDepth = 16;

// Folds A-Z to a-z, as the reader does.
std::string folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A file's text with the offsets its lines start at.
struct LinedText {
    std::string text;
    std::vector<size_t> starts{0};

    explicit LinedText(std::string t) : text(std::move(t)) {
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') starts.push_back(i + 1);
    }
    // The line (0-based) without its newline, or empty past the end.
    std::string_view line(uint32_t n) const {
        if (n >= starts.size()) return {};
        const size_t begin = starts[n];
        const size_t end = n + 1 < starts.size() ? starts[n + 1] - 1 : text.size();
        return std::string_view(text).substr(begin, end - begin);
    }
};

// The token starting at `column` of `line`: up to a blank or a brace; a brace alone.
std::string_view tokenFrom(std::string_view line, uint32_t column) {
    if (column >= line.size()) return {};
    if (line[column] == '{' || line[column] == '}') return line.substr(column, 1);
    size_t end = column;
    while (end < line.size() && !isBlank(line[end]) && line[end] != '{' && line[end] != '}' &&
           line.compare(end, 2, "//") != 0)
        ++end;
    return line.substr(column, end - column);
}

// Collects the sites of one check run from its load watch.
struct SiteCollector {
    const Workspace& space;
    std::map<std::string, LinedText, std::less<>>& texts;
    std::vector<NameSite>& sites;

    // The text of a file of the run, read once.
    const LinedText& textOf(const std::string& path) {
        auto it = texts.find(path);
        if (it == texts.end()) it = texts.emplace(path, LinedText(space.textOf(path))).first;
        return it->second;
    }
    // Adds the site of the token at `pos` unless the token is `keyword` or empty.
    void add(const LoadWatch& watch, NameKind kind, SourcePos pos, bool definition,
             std::string_view keyword = {}) {
        if (pos.line == 0 || pos.file >= watch.sink.files.size()) return;
        const std::string& path = watch.sink.files[pos.file];
        const LinedText& text = textOf(path);
        const std::string_view token = tokenFrom(text.line(pos.line - 1), pos.column - 1);
        if (token.empty() || token == "{" || token == "}") return;
        std::string name = folded(token);
        if (name == keyword) return;
        if (name.size() > nameCut) name.resize(nameCut);
        sites.push_back({kind, std::move(name),
                         {path, pos.line - 1, pos.column - 1, static_cast<uint32_t>(token.size())},
                         definition});
    }
    // Everything the watch placed: definitions, ships' fields, commands' names, channels.
    void collect(const LoadWatch& watch) {
        for (const DefinitionSource& d : watch.models) add(watch, NameKind::Model, d.nameAt, true, "model");
        for (const DefinitionSource& d : watch.scripts)
            if (!d.isInline) add(watch, NameKind::Script, d.nameAt, true, "script");
        for (const ShipSource& s : watch.ships) {
            if (s.given[0]) add(watch, NameKind::Ship, s.fieldAt[0], true, "ship");
            if (s.given[1]) add(watch, NameKind::Model, s.fieldAt[1], false);
            for (size_t f = 2; f < s.fieldAt.size(); ++f)
                if (s.given[f]) add(watch, NameKind::Script, s.fieldAt[f], false);
        }
        for (const CommandSource& c : watch.commands) {
            for (size_t i = 0; i < c.params.size() && i < c.command.params.size(); ++i) {
                if (c.params[i].valueText == "{") continue;
                const ParamUse use = paramUse(c.command.word, c.command.params[i]);
                if (use == ParamUse::ModelName) add(watch, NameKind::Model, c.params[i].valueAt, false);
                else if (use == ParamUse::ScriptName) add(watch, NameKind::Script, c.params[i].valueAt, false);
                else if (use == ParamUse::SoundName) add(watch, NameKind::Sound, c.params[i].valueAt, false);
            }
        }
        for (const ChannelSource& c : watch.channels)
            if (!c.instrument.empty()) add(watch, NameKind::Sound, c.at, false);
        // Sounds and tunes: the watch keeps no list of them, their blocks' outline does.
        for (size_t file = 0; file < watch.sink.files.size(); ++file) {
            const std::string& path = watch.sink.files[file];
            if (file < watch.fileIsFont.size() && watch.fileIsFont[file]) continue;
            for (const OutlineBlock& b : outlineOf(textOf(path).text)) {
                if ((b.keyword != "sound" && b.keyword != "music") || b.name.empty()) continue;
                std::string name = folded(b.name);
                if (name.size() > nameCut) name.resize(nameCut);
                const uint32_t at = b.column + static_cast<uint32_t>(b.keyword.size());
                const std::string_view line = textOf(path).line(b.line);
                uint32_t column = at;
                while (column < line.size() && isBlank(line[column])) ++column;
                if (tokenFrom(line, column).size() != b.name.size()) continue;  // name on another line
                sites.push_back({NameKind::Sound, std::move(name),
                                 {path, b.line, column, static_cast<uint32_t>(b.name.size())}, true});
            }
        }
    }
};

}  // namespace

std::string Workspace::textOf(const std::string& path) const {
    if (const auto it = open.find(path); it != open.end()) return it->second;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string Workspace::dataFolderOf(const std::string& path) const {
    if (!dataDir.empty()) return dataDir;
    return std::filesystem::path(path).parent_path().string();
}

LevelSetReport Workspace::check(const std::string& path) const {
    LevelSetReport report;
    CheckInput input;
    const std::filesystem::path folder(dataFolderOf(path));
    input.basePath = (folder / baseFile).string();
    input.fontPath = (folder / fontFile).string();
    if (path != input.basePath && path != input.fontPath) input.levelFiles.push_back(path);
    for (const auto& [name, text] : open) input.texts.emplace(name, text);
    std::map<std::string, LinedText, std::less<>> texts;
    SiteCollector collector{*this, texts, report.sites};
    input.inspect = [&collector](const LoadWatch& watch) { collector.collect(watch); };
    const CheckResult result = runCheck(input);
    for (const Diagnostic& d : result.sink.diagnostics) {
        if (d.pos.file >= result.sink.files.size()) continue;
        const std::string& file = result.sink.files[d.pos.file];
        Place at{file, 0, 0, 0};
        if (d.pos.line > 0) {
            at.line = d.pos.line - 1;
            at.column = d.pos.column > 0 ? d.pos.column - 1 : 0;
            const std::string_view line = collector.textOf(file).line(at.line);
            at.length = std::max<uint32_t>(1, static_cast<uint32_t>(tokenFrom(line, at.column).size()));
        }
        report.diagnostics.push_back({std::move(at), d.message});
    }
    return report;
}

std::vector<std::string> Workspace::levelFilesBeside(const std::string& path) const {
    std::vector<std::string> files;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".lev") files.push_back(entry.path().string());
    }
    for (const auto& [name, text] : open)
        if (std::filesystem::path(name).parent_path() == folder &&
            std::filesystem::path(name).extension() == ".lev")
            files.push_back(name);
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

std::string pathOfUri(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme)) return {};
    uri.remove_prefix(scheme.size());
    std::string path;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size()) {
            const std::string hex(uri.substr(i + 1, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                path.push_back(static_cast<char>(value));
                i += 2;
                continue;
            }
        }
        path.push_back(uri[i]);
    }
    return path;
}

std::string uriOfPath(std::string_view path) {
    std::string uri = "file://";
    constexpr std::string_view hex = "0123456789ABCDEF";
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(hex[u >> 4]);
            uri.push_back(hex[u & 15]);
        }
    }
    return uri;
}

uint32_t tokenLength(std::string_view text, uint32_t line, uint32_t column) {
    const LinedText lined{std::string(text)};
    return std::max<uint32_t>(1, static_cast<uint32_t>(tokenFrom(lined.line(line), column).size()));
}

std::vector<OutlineBlock> outlineOf(std::string_view text) {
    // Words as the reader splits them: blanks and braces part them, "//" ends a line.
    struct Word {
        std::string_view text;
        uint32_t line, column;
    };
    std::vector<OutlineBlock> top;
    std::vector<OutlineBlock*> open;
    Word previous[2]{};
    size_t seen = 0;
    size_t hidden = 0;
    uint32_t line = 0, column = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            column = 0;
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        if (isBlank(c)) {
            ++i;
            ++column;
            continue;
        }
        if (c == '{' && (hidden > 0 || open.size() >= maxDepth)) {
            ++hidden;  // too deep to show: only counted, so that its brace closes it
            seen = 0;
            ++i;
            ++column;
            continue;
        }
        if (c == '{') {
            OutlineBlock block;
            // "keyword name {" or "keyword {"; an inline event block is its parameter's.
            const Word* keyword = seen >= 1 ? &previous[1] : nullptr;
            if (seen >= 2) {
                const std::string first = folded(previous[0].text);
                if (first == "model" || first == "script" || first == "ship" || first == "sound" ||
                    first == "music" || first == "stage" || first == "event" || first == "line" ||
                    first == "hitc" || first == "color" || first == "alpha" || first == "cmd" ||
                    first == "command" || first == "channel") {
                    keyword = &previous[0];
                    block.name = std::string(previous[1].text);
                }
            }
            if (keyword) {
                block.keyword = folded(keyword->text);
                block.line = keyword->line;
                block.column = keyword->column;
            } else {
                block.line = line;
                block.column = column;
            }
            std::vector<OutlineBlock>& list = open.empty() ? top : open.back()->children;
            list.push_back(std::move(block));
            open.push_back(&list.back());
            seen = 0;
            ++i;
            ++column;
            continue;
        }
        if (c == '}') {
            if (hidden > 0) {
                --hidden;
            } else if (!open.empty()) {
                open.back()->endLine = line;
                open.back()->endColumn = column;
                open.pop_back();
            }
            seen = 0;
            ++i;
            ++column;
            continue;
        }
        const size_t start = i;
        const uint32_t startColumn = column;
        while (i < text.size() && !isBlank(text[i]) && text[i] != '{' && text[i] != '}' &&
               !(text[i] == '/' && i + 1 < text.size() && text[i + 1] == '/')) {
            ++i;
            ++column;
        }
        previous[0] = previous[1];
        previous[1] = {text.substr(start, i - start), line, startColumn};
        ++seen;
    }
    for (OutlineBlock* block : open) {
        block->endLine = line;
        block->endColumn = column;
    }
    return top;
}
