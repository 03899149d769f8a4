// The music sequencer: a song's notes placed in samples once, then walked sample-exactly,
// loop after loop, reporting each note as it starts.
#include "audio/mml.h"

#include <algorithm>

MusicSequencer::MusicSequencer(const MmlSong& song, int32_t sampleRate) {
    const int32_t rate = std::max(sampleRate, 1);
    loopLength = mmlTickToSample(song, song.lengthTicks, rate);
    // Each tempo's first sample, so that placing a channel's notes walks the map once.
    const auto& map = song.tempoMap;
    std::vector<int64_t> tempoStarts(map.size(), 0);
    for (size_t i = 1; i < map.size(); ++i) {
        tempoStarts[i] = tempoStarts[i - 1] +
                         mmlTicksToSamples(map[i].tick - map[i - 1].tick, map[i - 1].bpm, rate);
    }
    // The first sample of `tick`, with `segment` moved on to its tempo (ticks only grow).
    auto sampleAt = [&](int32_t tick, size_t& segment) -> int64_t {
        if (map.empty()) return mmlTicksToSamples(tick, mml::defaultTempo, rate);
        while (segment + 1 < map.size() && map[segment + 1].tick <= tick) ++segment;
        return tempoStarts[segment] + mmlTicksToSamples(tick - map[segment].tick, map[segment].bpm, rate);
    };
    channels.resize(song.channels.size());
    cursors.assign(song.channels.size(), 0);
    for (size_t c = 0; c < song.channels.size(); ++c) {
        const auto& notes = song.channels[c].notes;
        channels[c].reserve(notes.size());
        size_t startSegment = 0, endSegment = 0;
        for (const MmlNote& note : notes) {
            // A channel's notes do not overlap: starts and ends both only grow.
            const int64_t start = sampleAt(note.startTick, startSegment);
            const int64_t end = sampleAt(note.startTick + note.lengthTicks, endSegment);
            if (start >= loopLength) break;  // only at absurdly low sample rates
            channels[c].push_back({start, end - start, note.midiNote,
                                   mmlNoteFrequency(note.midiNote), note.volume,
                                   note.tiedFromPrevious});
        }
    }
}

MusicAdvance MusicSequencer::advance(int64_t samples, std::span<MusicNoteStart> out) {
    MusicAdvance result;
    if (samples <= 0) return result;
    const bool anyNotes = std::any_of(channels.begin(), channels.end(),
                                      [](const std::vector<Placed>& c) { return !c.empty(); });
    if (loopLength == 0 || !anyNotes) {
        // Nothing ever starts: only the position moves.
        if (loopLength > 0) {
            loops += (loopPosition + samples) / loopLength;
            loopPosition = (loopPosition + samples) % loopLength;
        }
        result.samples = samples;
        return result;
    }
    int64_t done = 0;
    while (done < samples) {
        // The next note to start in this loop: the earliest, the first channel on a tie.
        size_t best = channels.size();
        int64_t bestStart = loopLength;
        for (size_t c = 0; c < channels.size(); ++c) {
            if (cursors[c] < channels[c].size() && channels[c][cursors[c]].start < bestStart) {
                best = c;
                bestStart = channels[c][cursors[c]].start;
            }
        }
        const int64_t left = samples - done;
        if (best < channels.size() && bestStart - loopPosition < left) {
            done += bestStart - loopPosition;
            loopPosition = bestStart;
            if (result.notes == out.size()) break;  // reported by the next call
            const Placed& note = channels[best][cursors[best]++];
            out[result.notes++] = {done, static_cast<int32_t>(best), note.midiNote, note.frequency,
                                   note.length, note.volume, note.tied};
            continue;
        }
        const int64_t toLoopEnd = loopLength - loopPosition;
        if (left < toLoopEnd) {
            loopPosition += left;
            done += left;
        } else {
            // The end joins the start: the next loop's first samples follow at once.
            done += toLoopEnd;
            loopPosition = 0;
            ++loops;
            std::fill(cursors.begin(), cursors.end(), size_t{0});
        }
    }
    result.samples = done;
    return result;
}

void MusicSequencer::restart() {
    loopPosition = 0;
    loops = 0;
    std::fill(cursors.begin(), cursors.end(), size_t{0});
}
