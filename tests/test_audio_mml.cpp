// The music macro language and the sequencer: pitches, lengths, octaves, dots, ties and
// loops of short tunes in exact ticks and samples, tempo maps, a loop point that neither
// loses nor repeats a note over many loops, and hostile text that stays small and quick.
#include "audio/mml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The MIDI notes of a channel, in order.
std::vector<int32_t> pitches(const MmlChannel& channel) {
    std::vector<int32_t> out;
    for (const MmlNote& note : channel.notes) out.push_back(note.midiNote);
    return out;
}

// Each note's start and length in ticks, in order.
std::vector<std::pair<int32_t, int32_t>> spans(const MmlChannel& channel) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const MmlNote& note : channel.notes) out.emplace_back(note.startTick, note.lengthTicks);
    return out;
}

// The columns of a channel's errors.
std::vector<int32_t> errorColumns(const MmlChannel& channel) {
    std::vector<int32_t> out;
    for (const MmlError& error : channel.errors) out.push_back(error.column);
    return out;
}

// A song of the given channels at `tempo`.
MmlSong song(int32_t tempo, const std::vector<std::string>& texts) {
    std::vector<MmlChannel> channels;
    for (const std::string& text : texts) channels.push_back(parseMmlChannel(text));
    return makeMmlSong(tempo, std::move(channels));
}

// Every note start of `loops` loops, played in slices of `slice` samples into an output
// of `room` entries, as (absolute sample, channel, MIDI note).
std::vector<std::tuple<int64_t, int32_t, int32_t>> play(MusicSequencer& sequencer, int64_t loops,
                                                         int64_t slice, size_t room) {
    std::vector<std::tuple<int64_t, int32_t, int32_t>> starts;
    std::vector<MusicNoteStart> out(room);
    int64_t now = 0;
    const int64_t total = loops * sequencer.loopSamples();
    while (now < total) {
        const MusicAdvance step = sequencer.advance(std::min(slice, total - now), out);
        for (size_t i = 0; i < step.notes; ++i) {
            starts.emplace_back(now + out[i].offset, out[i].channel, out[i].midiNote);
        }
        now += step.samples;
    }
    return starts;
}

TEST(Mml, AShortTuneHasExactPitchesTicksAndSamples) {
    const MmlSong tune = song(120, {"o4 L4 c d E8 f+8 g2 r4 a-16"});
    const MmlChannel& lead = tune.channels[0];
    EXPECT_TRUE(lead.errors.empty());
    EXPECT_EQ(pitches(lead), (std::vector<int32_t>{60, 62, 64, 66, 67, 68}));
    EXPECT_EQ(spans(lead), (std::vector<std::pair<int32_t, int32_t>>{
                               {0, 96}, {96, 96}, {192, 48}, {240, 48}, {288, 192}, {576, 24}}));
    EXPECT_EQ(tune.lengthTicks, 600);
    // 120 quarter notes a minute at 48 kHz: 24,000 samples a quarter, 250 a tick.
    MusicSequencer sequencer(tune, 48000);
    EXPECT_EQ(sequencer.loopSamples(), 150000);
    std::vector<MusicNoteStart> out(16);
    const MusicAdvance step = sequencer.advance(150000, out);
    ASSERT_EQ(step.notes, 6u);
    const int64_t expected[] = {0, 24000, 48000, 60000, 72000, 144000};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(out[i].offset, expected[i]);
    EXPECT_EQ(out[4].lengthSamples, 48000);
    EXPECT_FLOAT_EQ(out[0].frequency, 261.62558f);
    EXPECT_EQ(mmlNoteFrequency(69), 440.0f);
    EXPECT_EQ(mmlNoteFrequency(57), 220.0f);
    EXPECT_EQ(mmlNoteFrequency(93), 1760.0f);
    EXPECT_FLOAT_EQ(mmlNoteFrequency(0), 8.175799f);
    EXPECT_FLOAT_EQ(mmlNoteFrequency(127), 12543.854f);
}

TEST(Mml, OctavesGoUpWithGreaterThanAndStayInRange) {
    const MmlChannel c = parseMmlChannel("o5 c > c < < c o0 c < c o8 b+ > c");
    EXPECT_EQ(pitches(c), (std::vector<int32_t>{72, 84, 60, 12, 12, 120, 108}));
    EXPECT_EQ(errorColumns(c), (std::vector<int32_t>{21, 31}));  // '<' below 0, '>' above 8
}

TEST(Mml, DotsThirdsAndTies) {
    const MmlChannel c = parseMmlChannel("l8 c. c.. c4&c8 c&d l4. e c3c3c3");
    EXPECT_TRUE(c.errors.empty());
    EXPECT_EQ(pitches(c), (std::vector<int32_t>{60, 60, 60, 60, 62, 64, 60, 60, 60}));
    EXPECT_EQ(spans(c), (std::vector<std::pair<int32_t, int32_t>>{{0, 72}, {72, 84}, {156, 144},
        {300, 48}, {348, 48}, {396, 144}, {540, 128}, {668, 128}, {796, 128}}));
    EXPECT_FALSE(c.notes[3].tiedFromPrevious);
    EXPECT_TRUE(c.notes[4].tiedFromPrevious);  // c&d: d starts legato
    // A tie with nothing to join is reported where the '&' stands.
    EXPECT_EQ(errorColumns(parseMmlChannel("&c c&r c&")), (std::vector<int32_t>{1, 5, 9}));
}

TEST(Mml, LoopsExpandAndNest) {
    const MmlChannel arpeggio = parseMmlChannel("o5 l8 [c e g > c <]2");
    EXPECT_EQ(pitches(arpeggio), (std::vector<int32_t>{72, 76, 79, 84, 72, 76, 79, 84}));
    EXPECT_EQ(arpeggio.notes.back().startTick, 7 * 48);
    EXPECT_EQ(arpeggio.lengthTicks, 8 * 48);
    const MmlChannel nested = parseMmlChannel("[c [d]3 e]2 [f]1");
    EXPECT_TRUE(nested.errors.empty());
    EXPECT_EQ(pitches(nested), (std::vector<int32_t>{60, 62, 62, 62, 64, 60, 62, 62, 62, 64, 65}));
    // An unclosed '[' plays once; a stray ']' is skipped; both say where they are.
    const MmlChannel unbalanced = parseMmlChannel("[c d ] e ]3 f [g");
    EXPECT_EQ(pitches(unbalanced), (std::vector<int32_t>{60, 62, 60, 62, 64, 65, 67}));
    EXPECT_EQ(errorColumns(unbalanced), (std::vector<int32_t>{10, 15}));
}

TEST(Mml, TheGuidesExampleIsTwoBarsInEachChannel) {
    const MmlSong tune = song(120, {"t150 o5 l8 [c e g > c <]2 v10 [d f a > d <]2", "o3 l2 c c d d"});
    EXPECT_TRUE(tune.channels[0].errors.empty() && tune.channels[1].errors.empty());
    EXPECT_EQ(tune.channels[0].lengthTicks, 2 * mml::ticksPerWhole);
    EXPECT_EQ(tune.channels[1].lengthTicks, 2 * mml::ticksPerWhole);
    EXPECT_EQ(tune.tempoMap.size(), 1u);
    EXPECT_EQ(tune.tempoMap[0].bpm, 150);
    EXPECT_EQ(tune.channels[0].notes[8].volume, 10);
}

TEST(Mml, TempoChangesAreExactInSamples) {
    // A 't' in one channel sets the whole song's tempo from its tick on.
    const MmlSong tune = song(120, {"c4 c4 t60 c4 c4", "r4 t240"});
    ASSERT_EQ(tune.tempoMap.size(), 3u);
    MusicSequencer sequencer(tune, 48000);
    std::vector<MusicNoteStart> out(8);
    const MusicAdvance step = sequencer.advance(sequencer.loopSamples(), out);
    ASSERT_EQ(step.notes, 4u);
    EXPECT_EQ(out[1].offset, 24000);        // one quarter at 120
    EXPECT_EQ(out[2].offset, 36000);        // then a quarter at 240
    EXPECT_EQ(out[3].offset, 84000);        // then one at 60
    EXPECT_EQ(out[3].lengthSamples, 48000);
    EXPECT_EQ(sequencer.loopSamples(), 132000);
    // An awkward tempo and rate: each stretch is rounded once, never tick by tick.
    const MmlSong slow = song(7, {"c1"});
    EXPECT_EQ(mmlTickToSample(slow, 1, 44100), 3937);  // 3937.5
    EXPECT_EQ(mmlTickToSample(slow, 96 * 1000, 44100), int64_t{378000} * 1000);
}

TEST(Mml, TheLoopPointNeitherLosesNorRepeatsANote) {
    // 137 beats a minute: 218.97... samples a tick; the channels differ in length.
    const MmlSong tune = song(137, {"l8 c d e r", "g1", "t137 r2 a16"});
    MusicSequencer sequencer(tune, 48000);
    const int64_t loop = sequencer.loopSamples();
    EXPECT_EQ(loop, mmlTickToSample(tune, 384, 48000));
    const int64_t loops = 300;
    for (const auto& [slice, room] : {std::pair<int64_t, size_t>{997, 64}, {48000, 1}, {loop, 3}}) {
        sequencer.restart();
        const auto starts = play(sequencer, loops, slice, room);
        ASSERT_EQ(starts.size(), static_cast<size_t>(5 * loops));
        for (int64_t k = 0; k < loops; ++k) {
            // In time order, the lower channel first at the same sample.
            const int64_t base = k * loop;
            const auto at = [&](size_t i) { return starts[static_cast<size_t>(k * 5) + i]; };
            EXPECT_EQ(at(0), std::make_tuple(base, 0, 60));
            EXPECT_EQ(at(1), std::make_tuple(base, 1, 67));
            EXPECT_EQ(at(2), std::make_tuple(base + mmlTickToSample(tune, 48, 48000), 0, 62));
            EXPECT_EQ(at(3), std::make_tuple(base + mmlTickToSample(tune, 96, 48000), 0, 64));
            EXPECT_EQ(at(4), std::make_tuple(base + mmlTickToSample(tune, 192, 48000), 2, 69));
        }
        EXPECT_EQ(sequencer.loopsDone(), loops);
        EXPECT_EQ(sequencer.position(), 0);
    }
}

TEST(Mml, HostileTextGivesColumnsAndStaysBounded) {
    // Loops a thousand deep: the ninth '[' on are reported and ignored with their ']'.
    const std::string deep = std::string(1000, '[') + "c64" + std::string(1000, ']');
    const MmlChannel d = parseMmlChannel(deep);
    EXPECT_EQ(d.notes.size(), 256u);
    ASSERT_EQ(d.errors.size(), mml::maxErrors);
    EXPECT_EQ(d.errors[0].column, 9);
    EXPECT_EQ(d.errorsDropped, 1000u - 8 - mml::maxErrors);
    // A huge count is clamped; nested huge counts meet the note cap or the work cap.
    const MmlChannel huge = parseMmlChannel("[c]999999999");
    EXPECT_EQ(huge.notes.size(), 999u);
    EXPECT_EQ(errorColumns(huge), (std::vector<int32_t>{4}));
    const MmlChannel many = parseMmlChannel("[[[[[[[[c64]999]999]999]999]999]999]999]999");
    EXPECT_EQ(many.notes.size(), mml::maxNotes);
    ASSERT_EQ(many.errors.size(), 1u);
    EXPECT_EQ(many.errors[0].column, 9);
    const MmlChannel empty = parseMmlChannel("[[[[[[[[v1]999]999]999]999]999]999]999]999 c");
    EXPECT_TRUE(empty.notes.empty());
    ASSERT_EQ(empty.errors.size(), 1u);
    EXPECT_NE(empty.errors[0].message.find("4194304 commands"), std::string::npos);
    const MmlChannel longest = parseMmlChannel("[[[[[[[[c1]999]999]999]999]999]999]999]999");
    EXPECT_LE(longest.lengthTicks, mml::maxTicks);
    // A flood of commands: read up to the command cap, played up to the length cap.
    std::string flood;
    for (int i = 0; i < 1100000; ++i) flood += "r64";
    const MmlChannel rests = parseMmlChannel(flood);
    EXPECT_EQ(errorColumns(rests), (std::vector<int32_t>{3 * (mml::maxTicks / 6) + 1, 3 * (1 << 20) + 1}));
    EXPECT_EQ(rests.lengthTicks, mml::maxTicks / 6 * 6);
    // Wrong numbers and bytes: each reported at its column, the rest of the text still read.
    const MmlChannel bad = parseMmlChannel("t99999999999999999999 v-1 o9 c0 c65 l x c\xC3\xA9" "d\xFF");
    EXPECT_EQ(errorColumns(bad), (std::vector<int32_t>{1, 23, 24, 25, 27, 31, 34, 37, 39, 42, 45}));
    EXPECT_NE(bad.errors[0].message.find("1000000000 or more"), std::string::npos);
    EXPECT_EQ(pitches(bad), (std::vector<int32_t>{108, 108, 108, 110}));
    // A song past 30 minutes is cut there: at 1 beat a minute, 30 quarter notes.
    const MmlSong slow = song(1, {"[c1]999"});
    EXPECT_EQ(slow.lengthTicks, 30 * 96);
    EXPECT_EQ(slow.channels[0].notes.size(), 8u);
    EXPECT_EQ(slow.channels[0].notes.back().lengthTicks, 192);
    EXPECT_EQ(errorColumns(slow.channels[0]), (std::vector<int32_t>{2}));
    EXPECT_EQ(mmlTickToSample(slow, slow.lengthTicks, 48000), int64_t{30} * 60 * 48000);
    // An empty song plays nothing and never stalls.
    const MmlSong silent = song(120, {"", "v3 o2"});
    MusicSequencer quiet(silent, 48000);
    std::vector<MusicNoteStart> out(4);
    EXPECT_EQ(quiet.advance(1 << 30, out).samples, 1 << 30);
}

}  // namespace
