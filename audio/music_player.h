// The music player: a tune's channels played live, each note of each channel synthesized
// by the channel's instrument at the note's pitch as the audio device asks for samples.
// It writes into the mixer's music bus; nothing it does while playing allocates.
#pragma once

#include "audio/mixer.h"
#include "audio/mml.h"
#include "audio/synth_voice.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A tune ready to play: its notes placed in samples and each channel's instrument.
struct Tune {
    MusicSequencer sequencer;
    std::vector<SoundParams> instruments;  // per channel
    std::vector<bool> silent;              // per channel: no sound of the instrument's name
};

class MusicPlayer : public MusicSource {
public:
    static constexpr size_t maxChannels = 8;  // channels of a tune past this are silent

    // A player at `sampleRate` with no tunes.
    explicit MusicPlayer(int sampleRate = 48000) : rate_(sampleRate) {}
    // Replaces the tunes, stopping what plays (allocates: hold the device out).
    void setTunes(std::vector<Tune> tunes);
    // Starts tune `index` from its beginning, releasing the notes that sound; a tune that
    // is already playing goes on undisturbed, an index without a tune stops the music.
    void play(int index);
    // Releases the notes that sound and plays nothing more.
    void stop() { play(-1); }
    // The tune playing, or -1.
    int playing() const { return current_; }
    // Adds the next `frames` frames of the music into the interleaved stereo bus.
    void addTo(float* stereo, size_t frames) override;

private:
    // Adds `frames` frames of every sounding voice into `stereo` (interleaved).
    void addVoices(float* stereo, size_t frames);
    // Starts a note on its channel: a tie to another pitch glides, any other note cuts the
    // channel's last note (releasing it) and starts afresh.
    void startNote(const MusicNoteStart& note);

    int rate_;
    std::vector<Tune> tunes_;
    int current_ = -1;
    std::array<SynthVoice, maxChannels> voices_{};   // the notes of the tune playing
    std::array<SynthVoice, maxChannels> fading_{};   // notes cut by the next, releasing
    std::array<float, maxChannels> gains_{}, fadingGains_{};
    std::array<MusicNoteStart, 64> notes_{};
};
