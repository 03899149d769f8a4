// The records file's text: a header line with the format version, the level set's
// definition files, an optional line of folded-away totals, then one line per run.
#include "records/records.h"

#include "core/hash.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr std::string_view headerWord = "quillfray-records";
// Longest ship name and replay file name a run line may carry.
constexpr size_t maxTokenBytes = 64;

// The font only draws text: its hash is no part of what makes a level set.
bool isFont(std::span<const ReplayDefinition> set, size_t k) {
    return k == 1 && set[k].name == "font.vec";
}

// `value` as 16 lower-case hex digits.
std::string hex16(uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Splits off the next space-separated word of `line`.
std::string_view nextWord(std::string_view& line) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    line.remove_prefix(start);
    const size_t end = line.find(' ');
    const std::string_view word = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return word;
}

// A whole decimal number of type T within lo..hi.
template <class T>
bool number(std::string_view word, T lo, T hi, T& out) {
    T value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < lo ||
        value > hi)
        return false;
    out = value;
    return true;
}

// A ship name or replay file name: 1..64 bytes of letters, digits and ._- (a replay name
// never starts with a dot, so it stays inside the replay folder).
bool plainToken(std::string_view word) {
    if (word.empty() || word.size() > maxTokenBytes || word[0] == '.') return false;
    for (char c : word) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

// The flags word of a run: "-" or some of "pcin" in that order.
std::string flagsWord(const RunRecord& run) {
    std::string word;
    if (run.practice) word += 'p';
    if (run.cleared) word += 'c';
    if (run.invincible) word += 'i';
    if (run.pinned) word += 'n';
    return word.empty() ? "-" : word;
}

// Reads a flags word into `run`.
bool readFlags(std::string_view word, RunRecord& run) {
    if (word == "-") return true;
    size_t at = 0;
    const std::string_view order = "pcin";
    bool* flags[] = {&run.practice, &run.cleared, &run.invincible, &run.pinned};
    for (size_t k = 0; k < order.size() && at < word.size(); ++k) {
        if (word[at] != order[k]) continue;
        *flags[k] = true;
        ++at;
    }
    return !word.empty() && at == word.size();
}

// Reads one run line (after its "run" word); false when any field is wrong.
bool readRun(std::string_view rest, RunRecord& run) {
    const std::string_view ship = nextWord(rest), score = nextWord(rest), stage = nextWord(rest),
                           frame = nextWord(rest), steps = nextWord(rest), date = nextWord(rest),
                           flags = nextWord(rest), replay = nextWord(rest), name = nextWord(rest);
    if (!nextWord(rest).empty()) return false;
    constexpr int64_t big = int64_t{1} << 53;
    if (!number<int32_t>(ship, 0, 9999, run.ship) ||
        !number<int64_t>(score, -big, big, run.score) ||
        !number<int32_t>(stage, 1, 1000000, run.stage) ||
        !number<int64_t>(frame, -big, big, run.frame) ||
        !number<uint32_t>(steps, 0, UINT32_MAX, run.steps) || !validDate(date) ||
        !readFlags(flags, run) || (replay != "-" && !plainToken(replay)) || !plainToken(name))
        return false;
    run.date = std::string(date);
    run.replay = replay == "-" ? "" : std::string(replay);
    run.shipName = std::string(name);
    return true;
}

// The ship name as a run line can carry it: a plain token, else "ship".
std::string tokenOf(const std::string& name) { return plainToken(name) ? name : "ship"; }

}  // namespace

std::string encodeRecords(const RecordsFile& records) {
    std::string text = std::string(headerWord) + " " + std::to_string(recordsFormatVersion) + "\n";
    for (const ReplayDefinition& file : records.levelSet)
        text += "file " + hex16(file.hash) + " " + file.name + "\n";
    const RecordsTotals& e = records.earlier;
    if (e.runs != 0)
        text += "earlier " + std::to_string(e.runs) + " " + std::to_string(e.steps) + " " +
                std::to_string(e.clears) + "\n";
    for (const RunRecord& run : records.runs) {
        text += "run " + std::to_string(run.ship) + " " + std::to_string(run.score) + " " +
                std::to_string(run.stage) + " " + std::to_string(run.frame) + " " +
                std::to_string(run.steps) + " " + run.date + " " + flagsWord(run) + " " +
                (run.replay.empty() ? "-" : run.replay) + " " + tokenOf(run.shipName) + "\n";
    }
    return text;
}

bool decodeRecords(std::string_view text, RecordsFile& out, size_t& skipped, std::string& why) {
    skipped = 0;
    if (text.size() > maxRecordsFileBytes) {
        why = "too big: " + std::to_string(text.size()) + " bytes";
        return false;
    }
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\r' && c != '\t') || u == 0x7F) {
            why = "not text";
            return false;
        }
    }
    RecordsFile records;
    size_t lineNumber = 0;
    bool sawRun = false, sawEarlier = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNumber;
        const bool tooLong = line.size() > maxRecordsLineBytes;
        std::string_view rest = line;
        const std::string_view word = nextWord(rest);
        if (lineNumber == 1) {
            int version = 0;
            if (tooLong || word != headerWord) {
                why = "not a records file";
                return false;
            }
            const std::string_view v = nextWord(rest);
            if (!number<int>(v, 0, 1 << 30, version) || !nextWord(rest).empty()) {
                why = "not a records file";
                return false;
            }
            if (version != recordsFormatVersion) {
                why = "unknown format version " + std::to_string(version);
                return false;
            }
            continue;
        }
        if (word == "file") {
            uint64_t hash = 0;
            const std::string_view h = nextWord(rest);
            const auto [p, e] = std::from_chars(h.data(), h.data() + h.size(), hash, 16);
            const size_t nameAt = rest.find_first_not_of(' ');
            if (tooLong || sawRun || sawEarlier || h.size() != 16 || e != std::errc() ||
                p != h.data() + h.size() || nameAt == std::string_view::npos ||
                records.levelSet.size() >= maxLevelSetFiles) {
                why = "bad level set at line " + std::to_string(lineNumber);
                return false;
            }
            records.levelSet.push_back({std::string(rest.substr(nameAt)), hash});
        } else if (word == "earlier" && !sawRun && !sawEarlier && !tooLong) {
            sawEarlier = true;
            RecordsTotals& t = records.earlier;
            if (!number<uint64_t>(nextWord(rest), 0, UINT64_MAX / 2, t.runs) ||
                !number<uint64_t>(nextWord(rest), 0, UINT64_MAX / 2, t.steps) ||
                !number<uint64_t>(nextWord(rest), 0, UINT64_MAX / 2, t.clears)) {
                t = {};
                ++skipped;
            }
        } else if (word == "run" && !tooLong && records.runs.size() < maxRecordedRuns) {
            sawRun = true;
            RunRecord run;
            if (readRun(rest, run)) {
                records.runs.push_back(std::move(run));
            } else {
                ++skipped;
            }
        } else if (!line.empty()) {
            ++skipped;
        }
    }
    if (lineNumber == 0) {
        why = "not a records file";
        return false;
    }
    out = std::move(records);
    return true;
}

std::string reasonWord(std::string_view why) {
    if (why.starts_with("too big")) return "too-big";
    if (why.starts_with("not text")) return "not-text";
    if (why.starts_with("unknown format version")) return "other-version";
    if (why.starts_with("other level set")) return "other-level-set";
    if (why.starts_with("not a regular file")) return "not-a-file";
    return "bad-header";
}

std::string recordsFileName(std::span<const ReplayDefinition> levelSet) {
    uint64_t h = fnvOffset;
    for (size_t k = 0; k < levelSet.size(); ++k) {
        h = fnv1a64(levelSet[k].name, h);
        h = fnv1a64(std::string_view("\0", 1), h);
        h = fnv1a64(isFont(levelSet, k) ? std::string("font") : hex16(levelSet[k].hash), h);
        h = fnv1a64(std::string_view("\n", 1), h);
    }
    return "records-" + hex16(h) + ".txt";
}

bool sameLevelSet(std::span<const ReplayDefinition> a, std::span<const ReplayDefinition> b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (a[k].name != b[k].name || (a[k].hash != b[k].hash && !isFont(a, k))) return false;
    return true;
}

std::string compactDate(std::string_view date) {
    std::string text;
    for (char c : date)
        if (c != '-' && c != ':') text += c;
    if (text.empty() || text.back() != 'Z') text += 'Z';
    return text;
}

bool validDate(std::string_view date) {
    if (date.size() == 20 && date.back() == 'Z') date.remove_suffix(1);
    if (date.size() != 19) return false;
    const std::string_view form = "dddd-dd-ddTdd:dd:dd";
    for (size_t k = 0; k < form.size(); ++k) {
        const bool digit = date[k] >= '0' && date[k] <= '9';
        if (form[k] == 'd' ? !digit : date[k] != form[k]) return false;
    }
    return true;
}
