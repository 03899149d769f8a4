// The music macro language: one channel's text read into a small program of commands,
// the program played out (loops, ties, octaves, lengths) into notes under hard caps, and
// channels joined into a song with one tempo map.
#include "audio/mml.h"

#include <algorithm>
#include <array>

namespace {

// What one command of a channel's program does.
enum class OpKind : uint8_t {
    Note, Rest, Octave, OctaveUp, OctaveDown, Length, Tempo, Volume, Tie, LoopStart, LoopEnd
};

// One command. Note: `value` is the semitone above the octave's c (-2..13), `length` the
// length's divisor (0: the default length) and `dots` its dots; Rest: `length` and `dots`
// likewise; Length: `length` and `dots`; Octave, Tempo, Volume: `value`; LoopStart:
// `value` is the count and `jump` its LoopEnd; LoopEnd: `jump` is its LoopStart.
struct Op {
    OpKind kind = OpKind::Note;
    uint8_t length = 0;
    uint8_t dots = 0;
    int32_t value = 0;
    int32_t column = 0;
    int32_t jump = 0;
};

// Numbers larger than this are read as this (the text "1000000000 or more").
constexpr int64_t numberCeiling = 1000000000;
// Dots after one length past this are reported and ignored.
constexpr int32_t maxDots = 4;
// Microseconds of a tick at one beat a minute: 60,000,000 / ticksPerQuarter.
constexpr int64_t microsecondsPerTickAtOneBpm = 60000000 / mml::ticksPerQuarter;

// The semitone of each note letter a..g above c.
constexpr std::array<int32_t, 7> letterSemitones = {9, 11, 0, 2, 4, 5, 7};

// Twelve-tone equal temperament: 2^(k/12) for k = 0..11.
constexpr std::array<double, 12> semitoneRatios = {
    1.0, 1.0594630943592953, 1.122462048309373, 1.189207115002721,
    1.2599210498948732, 1.3348398541700344, 1.4142135623730951, 1.4983070768766815,
    1.5874010519681994, 1.681792830507429, 1.7817974362806785, 1.8877486253633868};

// Adds an error to the channel, or only counts it once the list is full.
void addError(MmlChannel& channel, int32_t column, std::string message) {
    if (channel.errors.size() >= mml::maxErrors) {
        ++channel.errorsDropped;
        return;
    }
    channel.errors.push_back({column, std::move(message)});
}

// True for the bytes the language skips.
bool isBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// True for the ASCII digits.
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The text side of a channel's program: reads the commands and reports what it skips.
class Reader {
public:
    Reader(std::string_view text, MmlChannel& channel) : text(text), channel(channel) {}

    // Reads the whole text into `ops`, closing loops left open at its end.
    std::vector<Op> read() {
        while (skipBlanks()) {
            if (ops.size() >= mml::maxCommands) {
                addError(channel, columnAt(pos), "more than 1048576 commands: the rest is ignored");
                break;
            }
            command();
        }
        while (openCount > 0) {
            const OpenLoop loop = open[--openCount];
            addError(channel, loop.column, "'[' is never closed: its notes are played once");
            ops[static_cast<size_t>(loop.op)].value = 1;
            closeLoop(loop.op, loop.column);
        }
        return std::move(ops);
    }

private:
    // A '[' not closed yet: its LoopStart and its column.
    struct OpenLoop {
        int32_t op;
        int32_t column;
    };
    std::string_view text;
    MmlChannel& channel;
    std::vector<Op> ops;
    std::array<OpenLoop, mml::maxLoopDepth> open{};
    size_t openCount = 0;
    int64_t ignoredOpen = 0;  // '[' too deep, still open: always the innermost
    size_t pos = 0;

    // The 1-based column of a byte position.
    static int32_t columnAt(size_t at) {
        return static_cast<int32_t>(std::min<size_t>(at, INT32_MAX - 1) + 1);
    }
    // The current byte folded to lower case.
    char peek() const {
        const char c = text[pos];
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    }
    // Skips blanks; false at the end of the text.
    bool skipBlanks() {
        while (pos < text.size() && isBlank(static_cast<unsigned char>(text[pos]))) ++pos;
        return pos < text.size();
    }
    // Reads the digits at the position, if any: their value (capped at numberCeiling),
    // and their text for messages.
    bool number(int64_t& value, std::string& shown) {
        if (!skipBlanks() || !isDigit(static_cast<unsigned char>(text[pos]))) return false;
        const size_t first = pos;
        value = 0;
        while (pos < text.size() && isDigit(static_cast<unsigned char>(text[pos]))) {
            value = std::min(value * 10 + (text[pos] - '0'), numberCeiling);
            ++pos;
        }
        shown = value >= numberCeiling ? "1000000000 or more"
                                       : std::string(text.substr(first, pos - first));
        return true;
    }
    // Reads a number for the command letter at `column` and checks it lies in
    // [low, high]; out-of-range values are clamped, a missing one gives `fallback`.
    int32_t argument(int32_t column, char letter, int64_t low, int64_t high, int32_t fallback) {
        int64_t value = 0;
        std::string shown;
        if (!number(value, shown)) {
            addError(channel, column, std::string("'") + letter + "' needs a number from " +
                                          std::to_string(low) + " to " + std::to_string(high));
            return fallback;
        }
        if (value < low || value > high) {
            const int64_t clamped = std::clamp(value, low, high);
            addError(channel, column, std::string("'") + letter + "' takes " + std::to_string(low) +
                                          " to " + std::to_string(high) + ", not " + shown +
                                          ": " + std::to_string(clamped) + " is used");
            return static_cast<int32_t>(clamped);
        }
        return static_cast<int32_t>(value);
    }
    // Reads an optional length (a divisor of the whole note) and its dots into `op`; true
    // when a number was there.
    bool length(Op& op) {
        const size_t at = skipBlanks() ? pos : text.size();
        int64_t value = 0;
        std::string shown;
        const bool given = number(value, shown);
        if (given) {
            if (value >= 1 && value <= 64 && mml::ticksPerWhole % value == 0) {
                op.length = static_cast<uint8_t>(value);
            } else {
                addError(channel, columnAt(at),
                         "length " + shown + " is not 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48 or "
                         "64: the default length is used");
            }
        }
        while (skipBlanks() && text[pos] == '.') {
            if (op.dots == maxDots) {
                addError(channel, columnAt(pos), "more than 4 dots: the rest are ignored");
            } else {
                ++op.dots;
            }
            ++pos;
        }
        return given;
    }
    // Reads one command at the position (not a blank) and moves past it.
    void command() {
        const int32_t column = columnAt(pos);
        const char c = peek();
        const unsigned char byte = static_cast<unsigned char>(text[pos]);
        ++pos;
        Op op;
        op.column = column;
        if (c >= 'a' && c <= 'g') {
            op.kind = OpKind::Note;
            op.value = letterSemitones[static_cast<size_t>(c - 'a')];
            int32_t shift = 0;
            while (skipBlanks() && (text[pos] == '+' || text[pos] == '#' || text[pos] == '-')) {
                const int32_t step = text[pos] == '-' ? -1 : 1;
                if (shift + step < -2 || shift + step > 2) {
                    addError(channel, columnAt(pos), "more than two sharps or flats: ignored");
                } else {
                    shift += step;
                }
                ++pos;
            }
            op.value += shift;
            length(op);
        } else if (c == 'r') {
            op.kind = OpKind::Rest;
            length(op);
        } else if (c == 'o') {
            op.kind = OpKind::Octave;
            op.value = argument(column, 'o', 0, mml::maxOctave, mml::defaultOctave);
        } else if (c == '>' || c == '<') {
            op.kind = c == '>' ? OpKind::OctaveUp : OpKind::OctaveDown;
        } else if (c == 'l') {
            Op len;
            if (!length(len)) {
                addError(channel, column, "'l' needs a length (1, 2, 3, 4, 6, 8, ... 64)");
                return;
            }
            if (len.length == 0) return;  // a wrong length, reported
            op.kind = OpKind::Length;
            op.length = len.length;
            op.dots = len.dots;
        } else if (c == 't') {
            op.kind = OpKind::Tempo;
            op.value = argument(column, 't', mml::minTempo, mml::maxTempo, mml::defaultTempo);
        } else if (c == 'v') {
            op.kind = OpKind::Volume;
            op.value = argument(column, 'v', 0, mml::maxVolume, mml::defaultVolume);
        } else if (c == '&') {
            op.kind = OpKind::Tie;
        } else if (c == '[') {
            if (openCount == open.size()) {
                addError(channel, column, "loops nest more than 8 deep: this '[' and its ']' are ignored");
                ++ignoredOpen;
                return;
            }
            op.kind = OpKind::LoopStart;
            op.value = 2;
            open[openCount++] = {static_cast<int32_t>(ops.size()), column};
        } else if (c == ']') {
            loopEnd(column);
            return;
        } else {
            unknown(column, c, byte);
            return;
        }
        ops.push_back(op);
    }
    // Reads a ']' and its count, closing the innermost open loop.
    void loopEnd(int32_t column) {
        int64_t count = 2;
        std::string shown;
        const size_t at = skipBlanks() ? pos : text.size();
        const bool given = number(count, shown);
        if (ignoredOpen > 0) {
            --ignoredOpen;  // its '[' was too deep, and said so
            return;
        }
        if (openCount == 0) {
            addError(channel, column, "']' without a '[' before it: ignored");
            return;
        }
        const OpenLoop loop = open[--openCount];
        if (given && count < 1) {
            addError(channel, columnAt(at), "a loop count of 0 plays the loop once");
            count = 1;
        } else if (count > mml::maxLoopCount) {
            addError(channel, columnAt(at), "the loop count " + shown + " is more than 999: "
                                            "the loop is played 999 times");
            count = mml::maxLoopCount;
        }
        ops[static_cast<size_t>(loop.op)].value = static_cast<int32_t>(count);
        closeLoop(loop.op, column);
    }
    // Appends the LoopEnd of the LoopStart at `start`, linking the two.
    void closeLoop(int32_t start, int32_t column) {
        Op end;
        end.kind = OpKind::LoopEnd;
        end.column = column;
        end.jump = start;
        ops[static_cast<size_t>(start)].jump = static_cast<int32_t>(ops.size());
        ops.push_back(end);
    }
    // Reports a byte that starts no command and skips it (a whole UTF-8 character).
    void unknown(int32_t column, char c, unsigned char byte) {
        if (byte >= 0x80) {
            while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
            addError(channel, column, "a byte outside ASCII (" + std::to_string(byte) +
                                      ") is not MML: skipped");
        } else if (isDigit(byte)) {
            const size_t first = pos - 1;
            while (pos < text.size() && isDigit(static_cast<unsigned char>(text[pos]))) ++pos;
            addError(channel, column, "the number " + std::string(text.substr(first, std::min<size_t>(pos - first, 12))) +
                                      " belongs to no command: skipped");
        } else if (byte < 0x20 || byte == 0x7F) {
            addError(channel, column, "control byte " + std::to_string(byte) + " is not MML: skipped");
        } else {
            addError(channel, column, std::string("'") + c + "' is not an MML command: skipped");
        }
    }
};

// A loop being played: its LoopStart and the passes left.
struct LoopFrame {
    int32_t start;
    int32_t left;
};

// The ticks of a length: the divisor's (or the default) plus its dots, each half the last.
int32_t ticksOf(int32_t divisor, int32_t dots, int32_t defaultTicks) {
    const int32_t base = divisor > 0 ? mml::ticksPerWhole / divisor : defaultTicks;
    int32_t total = base;
    for (int32_t add = base / 2, d = 0; d < dots && add > 0; ++d, add /= 2) total += add;
    return total;
}

// Plays a channel's program out into its notes, tempo changes and length, under the caps.
void play(std::span<const Op> ops, MmlChannel& channel) {
    std::vector<bool> reported(ops.size(), false);
    // Reports a problem of the command at `pc` the first time only (loops repeat it).
    auto once = [&](size_t pc, std::string message) {
        if (reported[pc]) return;
        reported[pc] = true;
        addError(channel, ops[pc].column, std::move(message));
    };
    std::array<LoopFrame, mml::maxLoopDepth> loops{};
    size_t depth = 0;
    int32_t octave = mml::defaultOctave, defaultTicks = mml::ticksPerQuarter;
    int32_t volume = mml::defaultVolume, tick = 0;
    bool tiePending = false;
    size_t tiePc = 0;
    int64_t work = 0;
    size_t pc = 0;
    for (; pc < ops.size(); ++pc) {
        const Op& op = ops[pc];
        if (++work > mml::maxWork) {
            once(pc, "the loops play more than 4194304 commands: the rest is dropped");
            break;
        }
        if (op.kind == OpKind::Note || op.kind == OpKind::Rest) {
            const int32_t ticks = ticksOf(op.length, op.dots, defaultTicks);
            if (ticks > mml::maxTicks - tick) {
                once(pc, "the channel is longer than 30 minutes at tempo 999: the rest is dropped");
                break;
            }
            if (op.kind == OpKind::Rest) {
                if (tiePending) once(tiePc, "'&' is followed by a rest: the tie is dropped");
                tiePending = false;
                tick += ticks;
                continue;
            }
            const int32_t midi = (octave + 1) * 12 + op.value;
            MmlNote* last = channel.notes.empty() ? nullptr : &channel.notes.back();
            if (tiePending && last->midiNote == midi) {
                last->lengthTicks += ticks;
            } else {
                if (channel.notes.size() >= mml::maxNotes) {
                    once(pc, "more than 65536 notes: the rest is dropped");
                    break;
                }
                channel.notes.push_back({tick, ticks, midi, op.column,
                                         static_cast<uint8_t>(volume), tiePending});
            }
            tiePending = false;
            tick += ticks;
        } else if (op.kind == OpKind::Octave) {
            octave = op.value;
        } else if (op.kind == OpKind::OctaveUp || op.kind == OpKind::OctaveDown) {
            const int32_t next = octave + (op.kind == OpKind::OctaveUp ? 1 : -1);
            if (next < 0 || next > mml::maxOctave) {
                once(pc, std::string("'") + (op.kind == OpKind::OctaveUp ? '>' : '<') +
                             "' goes past octaves 0 to 8: the octave stays " + std::to_string(octave));
            } else {
                octave = next;
            }
        } else if (op.kind == OpKind::Length) {
            defaultTicks = ticksOf(op.length, op.dots, defaultTicks);
        } else if (op.kind == OpKind::Volume) {
            volume = op.value;
        } else if (op.kind == OpKind::Tempo) {
            if (!channel.tempos.empty() && channel.tempos.back().tick == tick) {
                channel.tempos.back().bpm = op.value;
            } else if (channel.tempos.size() >= mml::maxTempoChanges) {
                once(pc, "more than 4096 tempo changes: this one is ignored");
            } else {
                channel.tempos.push_back({tick, op.value});
            }
        } else if (op.kind == OpKind::Tie) {
            const MmlNote* last = channel.notes.empty() ? nullptr : &channel.notes.back();
            if (last == nullptr || last->startTick + last->lengthTicks != tick) {
                once(pc, "'&' does not follow a note: ignored");
            } else {
                tiePending = true;
                tiePc = pc;
            }
        } else if (op.kind == OpKind::LoopStart) {
            loops[depth++] = {static_cast<int32_t>(pc), op.value};
        } else if (op.kind == OpKind::LoopEnd) {
            if (--loops[depth - 1].left > 0) {
                pc = static_cast<size_t>(loops[depth - 1].start);
            } else {
                --depth;
            }
        }
    }
    if (tiePending) once(tiePc, "'&' has no note after it: the tie is dropped");
    channel.lengthTicks = tick;
}

// Microseconds from tick 0 to `tick` under a tempo map.
int64_t microsecondsAt(std::span<const MmlTempo> map, int32_t tick) {
    int64_t total = 0;
    for (size_t i = 0; i < map.size() && map[i].tick < tick; ++i) {
        const int32_t end = i + 1 < map.size() ? std::min(map[i + 1].tick, tick) : tick;
        total += int64_t{end - map[i].tick} * microsecondsPerTickAtOneBpm / map[i].bpm;
    }
    return total;
}

// The last tick within mml::maxSongMicroseconds under a tempo map.
int32_t lastTickWithin(std::span<const MmlTempo> map) {
    int64_t total = 0;
    for (size_t i = 0; i < map.size(); ++i) {
        const int64_t left = mml::maxSongMicroseconds - total;
        const int64_t reach = map[i].tick + left * map[i].bpm / microsecondsPerTickAtOneBpm;
        if (i + 1 == map.size() || reach < map[i + 1].tick) {
            return static_cast<int32_t>(std::min<int64_t>(reach, mml::maxTicks));
        }
        total += int64_t{map[i + 1].tick - map[i].tick} * microsecondsPerTickAtOneBpm / map[i].bpm;
    }
    return mml::maxTicks;
}

// Cuts a channel at `end`: later notes go (with one error), a note across it is shortened.
void cutChannel(MmlChannel& channel, int32_t end) {
    channel.lengthTicks = std::min(channel.lengthTicks, end);
    auto first = std::find_if(channel.notes.begin(), channel.notes.end(),
                              [end](const MmlNote& n) { return n.startTick >= end; });
    if (first != channel.notes.end()) {
        addError(channel, first->column, "the song is longer than 30 minutes: the notes from here on are dropped");
        channel.notes.erase(first, channel.notes.end());
    }
    if (!channel.notes.empty()) {
        MmlNote& last = channel.notes.back();
        last.lengthTicks = std::min(last.lengthTicks, end - last.startTick);
    }
}

}  // namespace

MmlChannel parseMmlChannel(std::string_view text) {
    MmlChannel channel;
    const std::vector<Op> ops = Reader(text, channel).read();
    play(ops, channel);
    std::stable_sort(channel.errors.begin(), channel.errors.end(),
                     [](const MmlError& a, const MmlError& b) { return a.column < b.column; });
    return channel;
}

MmlSong makeMmlSong(int32_t tempo, std::vector<MmlChannel> channels) {
    MmlSong song;
    song.channels = std::move(channels);
    // Every channel's changes, by tick; at the same tick the later channel comes last.
    struct Change {
        int32_t tick, bpm;
        size_t channel, index;
    };
    std::vector<Change> changes;
    for (size_t c = 0; c < song.channels.size(); ++c) {
        const auto& tempos = song.channels[c].tempos;
        for (size_t i = 0; i < tempos.size(); ++i) changes.push_back({tempos[i].tick, tempos[i].bpm, c, i});
        song.lengthTicks = std::max(song.lengthTicks, song.channels[c].lengthTicks);
    }
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        return a.channel != b.channel ? a.channel < b.channel : a.index < b.index;
    });
    song.tempoMap.push_back({0, std::clamp(tempo, mml::minTempo, mml::maxTempo)});
    for (const Change& change : changes) {
        if (song.tempoMap.back().tick == change.tick) {
            song.tempoMap.back().bpm = change.bpm;
        } else if (song.tempoMap.back().bpm != change.bpm) {
            song.tempoMap.push_back({change.tick, change.bpm});
        }
    }
    // A change at the same tick may have set the tempo back to the one before it.
    std::vector<MmlTempo> merged;
    for (const MmlTempo& t : song.tempoMap) {
        if (merged.empty() || merged.back().bpm != t.bpm) merged.push_back(t);
    }
    song.tempoMap = std::move(merged);
    if (microsecondsAt(song.tempoMap, song.lengthTicks) > mml::maxSongMicroseconds) {
        const int32_t end = lastTickWithin(song.tempoMap);
        for (MmlChannel& channel : song.channels) cutChannel(channel, end);
        song.lengthTicks = end;
    }
    return song;
}

int64_t mmlTicksToSamples(int64_t ticks, int32_t bpm, int32_t sampleRate) {
    return ticks * sampleRate * 60 / (int64_t{bpm} * mml::ticksPerQuarter);
}

int64_t mmlTickToSample(const MmlSong& song, int32_t tick, int32_t sampleRate) {
    int64_t total = 0;
    const auto& map = song.tempoMap;
    if (map.empty()) return mmlTicksToSamples(tick, mml::defaultTempo, sampleRate);
    for (size_t i = 0; i < map.size() && map[i].tick < tick; ++i) {
        const int32_t end = i + 1 < map.size() ? std::min(map[i + 1].tick, tick) : tick;
        total += mmlTicksToSamples(end - map[i].tick, map[i].bpm, sampleRate);
    }
    return total;
}

float mmlNoteFrequency(int32_t midiNote) {
    const int32_t fromA4 = midiNote - 69;
    const int32_t octaves = fromA4 >= 0 ? fromA4 / 12 : -((11 - fromA4) / 12);
    double frequency = 440.0 * semitoneRatios[static_cast<size_t>(fromA4 - octaves * 12)];
    for (int32_t i = 0; i < octaves && i < 64; ++i) frequency *= 2;
    for (int32_t i = 0; i > octaves && i > -64; --i) frequency *= 0.5;
    return static_cast<float>(frequency);
}
