// quillfray-lsp: a language server for level and definition files. The game's own loaders
// and quillfray-check's watched load read the open documents; this layer turns what they
// found into the editor's diagnostics, names, outline and folds.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest message body accepted; a longer claim is refused unread.
inline constexpr size_t maxContentLength = size_t{64} << 20;

// ---- rpc.cpp

// What reading one framed message found.
enum class ReadStatus : uint8_t {
    Message,   // `body` holds the message
    Bad,       // a header without a usable Content-Length: skipped
    TooLarge,  // the length claimed is over the cap: its body is skipped unread
    End,       // the stream ended
};

// One framed message as read.
struct Incoming {
    ReadStatus status = ReadStatus::End;
    std::string body;
};

// Reads the next "Content-Length: N" framed message from `in`.
Incoming readMessage(std::istream& in, size_t cap = maxContentLength);
// Writes `message` framed to `out` and flushes it.
void writeMessage(std::ostream& out, const nlohmann::json& message);

// ---- workspace.cpp

// A place in a file: 0-based line and column (bytes), and the token's length.
struct Place {
    std::string path;
    uint32_t line = 0;
    uint32_t column = 0;
    uint32_t length = 0;
};

// What a name stands for.
enum class NameKind : uint8_t { Model, Script, Ship, Sound };

// One definition or use of a name.
struct NameSite {
    NameKind kind = NameKind::Model;
    std::string name;                      // case folded, as the game looks it up
    Place at;
    bool definition = false;
};

// One warning of the checker, placed on its token.
struct PlacedDiagnostic {
    Place at;
    std::string message;
};

// A block of the outline: its keyword, name and extent, with the blocks inside it.
struct OutlineBlock {
    std::string keyword;
    std::string name;                      // the name token, else empty
    uint32_t line = 0, column = 0;         // the keyword
    uint32_t endLine = 0, endColumn = 0;   // the closing brace (or the text's end)
    std::vector<OutlineBlock> children;
};

// What one check of a level set found.
struct LevelSetReport {
    std::vector<PlacedDiagnostic> diagnostics;  // of every file of the set
    std::vector<NameSite> sites;                // definitions and uses in every file
};

// The documents an editor has open and where the data files are.
struct Workspace {
    std::string dataDir;                   // --data: base.vec and font.vec from here
    std::map<std::string, std::string, std::less<>> open;  // path: unsaved text

    // The text of `path`: the open document's, else the file's ("" when unreadable).
    std::string textOf(const std::string& path) const;
    // The folder base.vec and font.vec of a file are read from.
    std::string dataFolderOf(const std::string& path) const;
    // Checks `path` as the game loads it: base.vec, font.vec, then the file itself (unless
    // it is one of those two).
    LevelSetReport check(const std::string& path) const;
    // The level files of the file's folder (open documents included), sorted.
    std::vector<std::string> levelFilesBeside(const std::string& path) const;
};

// The file path of a file:// URI (percent escapes decoded), or "" for another scheme.
std::string pathOfUri(std::string_view uri);
// The file:// URI of an absolute path.
std::string uriOfPath(std::string_view path);
// The length of the token that starts at 0-based (line, column) of `text`; at least 1.
uint32_t tokenLength(std::string_view text, uint32_t line, uint32_t column);
// The blocks of a text by its braces, as the reader splits words: comments skipped.
std::vector<OutlineBlock> outlineOf(std::string_view text);

// ---- features.cpp

// Completion items for the text before the cursor (the rest of its line is ignored).
nlohmann::json completionsAt(const Workspace& space, const std::string& path, uint32_t line,
                             uint32_t column);
// The definitions of the name under the cursor, as LSP Locations.
nlohmann::json definitionsAt(const Workspace& space, const std::string& path, uint32_t line,
                             uint32_t column);
// Every definition and use of the name under the cursor across the level set.
nlohmann::json referencesAt(const Workspace& space, const std::string& path, uint32_t line,
                            uint32_t column, bool withDeclaration);
// What the word under the cursor means (a command word, a parameter with its prefix, a
// block keyword, an event, a flag, a sound word) from the vocabulary's descriptions, as an
// LSP Hover with Markdown; null for a word that means nothing to the files.
nlohmann::json hoverAt(const Workspace& space, const std::string& path, uint32_t line,
                       uint32_t column);
// The outline of a document as DocumentSymbols.
nlohmann::json documentSymbols(std::string_view text);
// The folding ranges of a document's blocks.
nlohmann::json foldingRanges(std::string_view text);
// An LSP Range of a place.
nlohmann::json rangeOf(const Place& at);

// ---- server.cpp

// The server's state between messages.
struct Server {
    Workspace space;
    bool shutDown = false;
    bool exited = false;
    int exitCode = 1;

    // Handles one message body; `send` writes each reply and notification.
    void handle(const std::string& body, const std::function<void(const nlohmann::json&)>& send);
    // Checks an open document and sends its diagnostics.
    void publish(const std::string& path, const std::function<void(const nlohmann::json&)>& send);
};

// Reads messages from `in` and answers on `out` until exit or the end of `in`; returns
// the exit status (0 after shutdown and exit).
int serve(std::istream& in, std::ostream& out, Server& server);
