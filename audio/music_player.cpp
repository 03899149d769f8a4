// The music player: walks the tune's sequencer through each block the device asks for and
// starts every note at its exact sample, then sums the channels' voices, centred.
#include "audio/music_player.h"

#include <algorithm>
#include <utility>

namespace {

// Each channel's gain into either speaker: equal power, from the middle.
constexpr float centre = 0.70710678f;

}  // namespace

void MusicPlayer::setTunes(std::vector<Tune> tunes) {
    stop();
    tunes_ = std::move(tunes);
}

void MusicPlayer::play(int index) {
    const bool valid = index >= 0 && static_cast<size_t>(index) < tunes_.size();
    if (!valid) index = -1;
    if (index == current_) return;
    for (size_t c = 0; c < maxChannels; ++c) {
        if (!voices_[c].active()) continue;
        fading_[c] = voices_[c];
        fadingGains_[c] = gains_[c];
        fading_[c].release();
        voices_[c] = SynthVoice{};
    }
    current_ = index;
    if (valid) tunes_[static_cast<size_t>(index)].sequencer.restart();
}

void MusicPlayer::startNote(const MusicNoteStart& note) {
    const Tune& tune = tunes_[static_cast<size_t>(current_)];
    const auto c = static_cast<size_t>(note.channel);
    if (c >= maxChannels || c >= tune.instruments.size() || tune.silent[c]) return;
    const float gain = static_cast<float>(note.volume) / static_cast<float>(mml::maxVolume);
    SynthVoice& voice = voices_[c];
    if (note.tiedFromPrevious && voice.active()) {
        voice.glide(note.frequency, note.lengthSamples);
        gains_[c] = gain;
        return;
    }
    if (voice.active()) {
        fading_[c] = voice;
        fadingGains_[c] = gains_[c];
        fading_[c].release();
    }
    voice.start(tune.instruments[c], rate_, note.frequency, note.lengthSamples);
    gains_[c] = gain;
}

void MusicPlayer::addVoices(float* stereo, size_t frames) {
    for (size_t c = 0; c < maxChannels; ++c) {
        for (auto [voice, gain] : {std::pair{&voices_[c], gains_[c]},
                                   std::pair{&fading_[c], fadingGains_[c]}}) {
            if (!voice->active()) continue;
            const float g = gain * centre;
            for (size_t f = 0; f < frames; ++f) {
                const float s = voice->next() * g;
                stereo[2 * f] += s;
                stereo[2 * f + 1] += s;
            }
        }
    }
}

void MusicPlayer::addTo(float* stereo, size_t frames) {
    if (current_ < 0) {
        addVoices(stereo, frames);  // the last notes of a stopped tune fade out
        return;
    }
    MusicSequencer& sequencer = tunes_[static_cast<size_t>(current_)].sequencer;
    size_t done = 0;
    while (done < frames) {
        const MusicAdvance advance =
            sequencer.advance(static_cast<int64_t>(frames - done), notes_);
        size_t at = 0;  // frames of this advance already added
        for (size_t k = 0; k < advance.notes; ++k) {
            const auto offset = static_cast<size_t>(notes_[k].offset);
            addVoices(stereo + 2 * (done + at), offset - at);
            at = offset;
            startNote(notes_[k]);
        }
        const auto advanced = static_cast<size_t>(advance.samples);
        addVoices(stereo + 2 * (done + at), advanced - at);
        done += advanced;
        if (advanced == 0 && advance.notes == 0) break;  // a sequencer that cannot move
    }
}
