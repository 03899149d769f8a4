// Diagnostics of quillfray-check: the warning list, its order and its printing.
#include "check/diagnostics.h"

#include <algorithm>
#include <tuple>

uint32_t DiagnosticSink::addFile(const std::string& path) {
    files.push_back(path);
    return static_cast<uint32_t>(files.size() - 1);
}

void DiagnosticSink::warn(SourcePos pos, std::string message) {
    diagnostics.push_back({pos, std::move(message)});
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
