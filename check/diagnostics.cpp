// Diagnostics of quillfray-check: the warning list, its order and its printing.
#include "check/diagnostics.h"

#include <algorithm>
#include <tuple>

uint32_t DiagnosticSink::addFile(const std::string& path) {
    files.push_back(path);
    return static_cast<uint32_t>(files.size() - 1);
}

namespace {

// Longest quoted word a message echoes whole, and how much of a longer one it shows.
constexpr size_t longestQuoted = 48;
constexpr size_t quotedShown = 40;

// `message` with every quoted run over longestQuoted bytes cut to its first quotedShown
// (never inside a UTF-8 character) and its length: a 5,000-character word stays readable.
std::string shortenQuoted(std::string message) {
    size_t open = message.find('\'');
    while (open != std::string::npos) {
        const size_t close = message.find('\'', open + 1);
        if (close == std::string::npos) break;
        const size_t length = close - open - 1;
        // Words hold no spaces: a span with one runs from an apostrophe ("stage's")
        // to the next quote, which may open a word.
        if (message.find(' ', open + 1) < close) {
            open = close;
        } else if (length > longestQuoted) {
            size_t keep = quotedShown;
            while (keep > 0 && (static_cast<unsigned char>(message[open + 1 + keep]) & 0xC0) == 0x80)
                --keep;
            const std::string tail = "...' (" + std::to_string(length) + " characters)";
            message.replace(open + 1 + keep, close + 1 - (open + 1 + keep), tail);
            open = message.find('\'', open + 1 + keep + tail.size());
        } else {
            open = message.find('\'', close + 1);
        }
    }
    return message;
}

}  // namespace

void DiagnosticSink::warn(SourcePos pos, std::string message) {
    diagnostics.push_back({pos, shortenQuoted(std::move(message))});
}

void DiagnosticSink::sortAndMerge() {
    auto key = [](const Diagnostic& d) {
        return std::tuple(d.pos.file, d.pos.line, d.pos.column);
    };
    std::stable_sort(diagnostics.begin(), diagnostics.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) { return key(a) < key(b); });
    auto same = [&](const Diagnostic& a, const Diagnostic& b) {
        return key(a) == key(b) && a.message == b.message;
    };
    diagnostics.erase(std::unique(diagnostics.begin(), diagnostics.end(), same),
                      diagnostics.end());
}

std::string DiagnosticSink::format(bool asErrors) const {
    std::string out;
    const char* severity = asErrors ? "error" : "warning";
    for (const Diagnostic& d : diagnostics) {
        out += d.pos.file < files.size() ? files[d.pos.file] : std::string("?");
        if (d.pos.line > 0) {
            out += ':' + std::to_string(d.pos.line) + ':' + std::to_string(d.pos.column);
        }
        out += ": ";
        out += severity;
        out += ": ";
        out += d.message;
        out += '\n';
    }
    return out;
}

std::string displayName(const std::string& stored) {
    const size_t tag = stored.find('\x01');
    return tag == std::string::npos ? stored : stored.substr(0, tag);
}
