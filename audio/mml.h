// Music written as text: the music macro language (MML) of one channel read into notes on
// a tick grid, channels joined into a song with one tempo map, and the sequencer that
// walks a song in samples, looping it, and says which notes start when.
#pragma once

#include "core/sound_records.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A note starting during MusicSequencer::advance.
struct MusicNoteStart {
    int64_t offset = 0;          // samples from the start of that advance
    int32_t channel = 0;
    int32_t midiNote = 60;
    float frequency = 0;         // Hz
    int64_t lengthSamples = 0;
    uint8_t volume = mml::defaultVolume;
    bool tiedFromPrevious = false;
};

// What one MusicSequencer::advance did.
struct MusicAdvance {
    size_t notes = 0;            // entries written to the output
    int64_t samples = 0;         // samples advanced: less than asked only when the output filled
};

// ---- mml.cpp

// Reads one channel's MML and plays out its loops, ties and commands into notes.
// Case and white space do not matter; mistakes are reported and skipped, never fatal,
// and every cap of mml:: holds whatever the text says.
MmlChannel parseMmlChannel(std::string_view text);
// Joins channels into a song starting at `tempo` (clamped to 1..999): merges their
// tempo changes into one map (at the same tick the later channel wins) and cuts the song
// at 30 minutes, with an error in each channel that lost notes.
MmlSong makeMmlSong(int32_t tempo, std::vector<MmlChannel> channels);
// Samples of `ticks` at one tempo, rounded down: ticks * rate * 60 / (bpm * 96), exact.
int64_t mmlTicksToSamples(int64_t ticks, int32_t bpm, int32_t sampleRate);
// The first sample of `tick` under the song's tempo map: each tempo's stretch in whole
// samples, added up, so that adjoining notes adjoin in samples too and nothing drifts.
int64_t mmlTickToSample(const MmlSong& song, int32_t tick, int32_t sampleRate);
// The frequency of a MIDI note in Hz (69 is A4, 440 Hz; equal temperament), from a table
// of the twelve semitone ratios and octave doublings.
float mmlNoteFrequency(int32_t midiNote);

// ---- music_sequencer.cpp

// Plays a song in samples: each advance reports the notes that start in the samples it
// covers. The song loops for ever, its end joining its start with no gap: the loop point
// is the song's length in samples, so the sample positions of every loop are the same
// and nothing drifts. Allocates only when made; `song` must outlive it.
class MusicSequencer {
public:
    // Ready at the song's first sample; a sample rate below 1 is taken as 1.
    MusicSequencer(const MmlSong& song, int32_t sampleRate);
    // Moves `samples` on, writing the notes starting in them to `out` in time order (by
    // channel at the same sample). Stops just before a note that finds `out` full, so
    // that the next call reports it: no note is lost or reported twice.
    MusicAdvance advance(int64_t samples, std::span<MusicNoteStart> out);
    // Back to the song's first sample.
    void restart();
    // The song's length in samples (0: an empty song, which plays nothing).
    int64_t loopSamples() const { return loopLength; }
    // Samples into the current loop.
    int64_t position() const { return loopPosition; }
    // Times the song has come back to its start.
    int64_t loopsDone() const { return loops; }

private:
    // A note placed in samples.
    struct Placed {
        int64_t start;
        int64_t length;
        int32_t midiNote;
        float frequency;
        uint8_t volume;
        bool tied;
    };
    std::vector<std::vector<Placed>> channels;
    std::vector<size_t> cursors;  // each channel's next note
    int64_t loopLength = 0;
    int64_t loopPosition = 0;
    int64_t loops = 0;
};
