// The protocol's framing: "Content-Length: N" headers, a blank line, then N bytes of JSON.
#include "tools/lsp/lsp.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <ostream>

namespace {

// The longest header line read; a longer one is cut and the message is refused.
constexpr size_t headerLineCap = 1024;

// Reads one header line without its CR LF; false at the end of the stream.
bool readHeaderLine(std::istream& in, std::string& line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = in.get()) != std::char_traits<char>::eof()) {
        any = true;
        if (c == '\n') break;
        if (line.size() < headerLineCap) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

// Skips `count` bytes of `in` without keeping them.
void skipBytes(std::istream& in, size_t count) {
    char buffer[4096];
    while (count > 0 && in) {
        const size_t step = std::min(count, sizeof buffer);
        in.read(buffer, static_cast<std::streamsize>(step));
        count -= static_cast<size_t>(in.gcount());
        if (in.gcount() == 0) break;
    }
}

}  // namespace

Incoming readMessage(std::istream& in, size_t cap) {
    std::string line;
    std::optional<size_t> length;
    bool sawHeader = false;
    bool bad = false;
    for (;;) {
        if (!readHeaderLine(in, line)) return {};
        if (line.empty()) {
            if (sawHeader) break;
            continue;  // blank lines between messages
        }
        sawHeader = true;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) {
            bad = true;
            continue;
        }
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name != "content-length") continue;
        std::string_view value = std::string_view(line).substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
        size_t n = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (error != std::errc{} || end != value.data() + value.size()) {
            bad = true;
            continue;
        }
        length = n;
    }
    if (!length || bad) return {ReadStatus::Bad, {}};
    if (*length > cap) {
        skipBytes(in, *length);
        return {ReadStatus::TooLarge, {}};
    }
    std::string body(*length, '\0');
    in.read(body.data(), static_cast<std::streamsize>(*length));
    if (static_cast<size_t>(in.gcount()) != *length) return {};
    return {ReadStatus::Message, std::move(body)};
}

void writeMessage(std::ostream& out, const nlohmann::json& message) {
    const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out.flush();
}
