// Sound and music blocks: an effect's synthesizer parameters, a tune's channels of MML
// with the sounds that play them, their registries and name indexes, and the caps that
// keep any file's sounds and music bounded.
#include "defs/defs.h"

#include "audio/audio.h"
#include "audio/mml.h"
#include "core/limits.h"

#include <algorithm>
#include <vector>

namespace {

// Takes a name value as stored: cut to nameCut characters.
std::string storedName(std::string_view value) { return std::string(value.substr(0, nameCut)); }

// The channel text after an instrument: a quoted string (everything up to the closing
// quote, blanks included; an unclosed quote runs to the end of the block) or one token.
std::string_view takeChannelText(Cursor& cursor) {
    if (cursor.atEnd() || cursor.text[cursor.pos] != '"') return nextToken(cursor);
    const size_t open = cursor.pos + 1;
    const size_t close = cursor.text.find('"', open);
    if (close == std::string_view::npos) {
        cursor.pos = cursor.text.size();
        return cursor.text.substr(open);
    }
    cursor.pos = close + 1;
    if (!cursor.atEnd() && cursor.text[cursor.pos] == ' ') ++cursor.pos;
    return cursor.text.substr(open, close - open);
}

// Notes held by every music block of the registry.
size_t storedNotes(const Registries& defs) {
    size_t total = 0;
    for (const MusicDef& music : defs.musicRegistry)
        for (const MmlChannel& channel : music.song.channels) total += channel.notes.size();
    return total;
}

// A channel that was not read, with the reason as its one error.
MmlChannel unreadChannel(std::string message) {
    MmlChannel channel;
    channel.errors.push_back({0, std::move(message)});
    return channel;
}

// Stores `def` in `registry` under its name: replaces the entry of that name, else
// appends it while the registry holds fewer than `cap`; false when dropped.
template <typename Def>
bool storeByName(std::vector<Def>& registry, NameIndex& names, Def def, size_t cap) {
    if (const NameSpan* span = findName(names, def.name)) {
        registry[span->first] = std::move(def);
        return true;
    }
    if (registry.size() >= cap) return false;
    indexName(names, def.name, static_cast<uint32_t>(registry.size()));
    registry.push_back(std::move(def));
    return true;
}

}  // namespace

std::span<const std::string_view> soundBlockWords() {
    static const std::vector<std::string_view> words = [] {
        std::vector<std::string_view> all{"name", "wave"};
        for (const SoundParamInfo& info : soundParamTable()) all.push_back(info.name);
        return all;
    }();
    return words;
}

SoundDef parseSoundBlock(const Registries& defs, std::string_view block, HeaderValue header) {
    SoundDef sound;
    if (header) sound.name = storedName(*header);
    LoadObserver* const watch = defs.observer;
    const std::span<const SoundParamInfo> table = soundParamTable();
    Cursor cursor{block};
    while (!cursor.atEnd()) {
        const std::string_view token = nextToken(cursor);
        if (token == "name" || token == "wave") {
            const std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, ValueKind::Name);
            if (token == "name") {
                sound.name = storedName(value);
                continue;
            }
            const auto* wave = std::find(std::begin(waveNames), std::end(waveNames), value);
            sound.params.wave = wave == std::end(waveNames)
                                    ? Wave::square
                                    : static_cast<Wave>(wave - std::begin(waveNames));
            continue;
        }
        const auto info = std::find_if(table.begin(), table.end(),
                                       [&](const SoundParamInfo& p) { return p.name == token; });
        if (info == table.end()) {
            if (watch) watch->tokenSkipped(token);
            continue;
        }
        const std::string_view value = nextToken(cursor);
        if (watch) watch->valueRead(token, value, ValueKind::Float);
        sound.params.*(info->field) = readFloat(value);
    }
    sound.params = clampSoundParams(sound.params);
    return sound;
}

MusicDef parseMusicBlock(Registries& defs, std::string_view block, HeaderValue header) {
    MusicDef music;
    if (header) music.name = storedName(*header);
    LoadObserver* const watch = defs.observer;
    std::vector<std::string_view> texts;
    std::vector<MmlChannel> channels;
    size_t notesLeft = limits::maxMusicNotes - std::min(limits::maxMusicNotes, storedNotes(defs));
    Cursor cursor{block};
    while (!cursor.atEnd()) {
        const std::string_view token = nextToken(cursor);
        if (token == "name" || token == "tempo") {
            const std::string_view value = nextToken(cursor);
            if (watch) watch->valueRead(token, value, token == "name" ? ValueKind::Name : ValueKind::Int);
            if (token == "name") music.name = storedName(value);
            else music.tempo = std::clamp(readInt(value), mml::minTempo, mml::maxTempo);
            continue;
        }
        if (token != "channel") {
            if (watch) watch->tokenSkipped(token);
            continue;
        }
        const std::string_view instrument = nextToken(cursor);
        if (watch) watch->valueRead(token, instrument, ValueKind::Name);
        const std::string_view text = takeChannelText(cursor);
        if (channels.size() >= limits::maxMusicChannels) {
            if (watch)
                watch->musicChannelRead(text, unreadChannel("a music block plays at most " +
                                                            std::to_string(limits::maxMusicChannels) +
                                                            " channels: this one is dropped"));
            continue;
        }
        MmlChannel channel;
        if (defs.musicChannelsRead >= limits::maxMusicChannelsRead) {
            channel = unreadChannel("more than " + std::to_string(limits::maxMusicChannelsRead) +
                                    " music channels in one load: this one stays silent");
        } else {
            ++defs.musicChannelsRead;
            channel = parseMmlChannel(text);
            if (channel.notes.size() > notesLeft) {
                channel.notes.resize(notesLeft);
                channel.errors.push_back({0, "the music of one load holds at most " +
                                                 std::to_string(limits::maxMusicNotes) +
                                                 " notes: later notes are dropped"});
            }
            notesLeft -= channel.notes.size();
        }
        std::string name = storedName(instrument);
        const int32_t sound = findSound(defs, name);
        music.channels.push_back({std::move(name), sound});
        texts.push_back(text);
        channels.push_back(std::move(channel));
    }
    music.song = makeMmlSong(music.tempo, std::move(channels));
    if (watch)
        for (size_t i = 0; i < texts.size(); ++i) watch->musicChannelRead(texts[i], music.song.channels[i]);
    return music;
}

int32_t findSound(const Registries& defs, std::string_view name) {
    const NameSpan* span = findName(defs.soundNames, name);
    return span ? static_cast<int32_t>(span->first) : -1;
}

int32_t findMusic(const Registries& defs, std::string_view name) {
    const NameSpan* span = findName(defs.musicNames, name);
    return span ? static_cast<int32_t>(span->first) : -1;
}

bool appendSound(Registries& defs, SoundDef sound) {
    return storeByName(defs.soundRegistry, defs.soundNames, std::move(sound), limits::maxSounds);
}

bool appendMusic(Registries& defs, MusicDef music) {
    return storeByName(defs.musicRegistry, defs.musicNames, std::move(music), limits::maxMusic);
}

void resolveInstruments(Registries& defs) {
    for (MusicDef& music : defs.musicRegistry)
        for (MusicChannelDef& channel : music.channels)
            if (channel.sound < 0) channel.sound = findSound(defs, channel.instrument);
}
