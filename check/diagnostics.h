// Diagnostics of quillfray-check: source positions, the warning list and its printing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A place in one of the checked files; line 0 stands for the file as a whole.
struct SourcePos {
    uint32_t file = 0;                     // index into DiagnosticSink::files
    uint32_t line = 0;                     // 1-based, 0: no line
    uint32_t column = 0;                   // 1-based
};

// One warning: where, and what the game does there.
struct Diagnostic {
    SourcePos pos;
    std::string message;
};

// Collects the warnings of one check run and prints them compiler style.
struct DiagnosticSink {
    std::vector<std::string> files;        // file paths as they are printed
    std::vector<Diagnostic> diagnostics;   // in the order found

    // Registers a file for positions; returns its index.
    uint32_t addFile(const std::string& path);
    // Records one warning; a quoted word over 48 bytes is shown cut, with its length.
    void warn(SourcePos pos, std::string message);
    // Sorts by file, line and column (keeping the order found among equals) and drops
    // exact repeats.
    void sortAndMerge();
    // "file:line:column: warning: message" lines (severity "error" when `asErrors`).
    std::string format(bool asErrors) const;
};

// The stored name without the two-byte file tag that later files append.
std::string displayName(const std::string& stored);
