// The checks of sound and music blocks: waveform names, parameters and tempos outside
// their ranges, MML mistakes at their file positions, instruments that name no sound, and
// sound and music commands that name nothing.
#include "check/check.h"

#include "audio/audio.h"
#include "audio/mml.h"
#include "check/hints.h"
#include "core/limits.h"

#include <cmath>
#include <cstdio>

namespace {

// A number as an author would write it: up to six significant digits.
std::string shortNumber(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}

}  // namespace

void LoadWatch::checkSoundName(std::string_view keyword, std::string_view value, SourcePos at) {
    const std::string key(keyword);
    if (keyword == "wave") {
        if (value.empty()) {
            sink.warn(at, "'wave' has no value before the end of the block: the sound is a square");
            return;
        }
        for (std::string_view name : waveNames)
            if (value == name) return;
        sink.warn(at, "'" + std::string(value) +
                          "' is not a waveform (square, saw, sine, triangle, noise): the sound is a square" +
                          hintFor(value, waveNames));
        return;
    }
    // A music channel's instrument.
    const size_t ordinal = frames_.empty() ? 0 : frames_.back().channels++;
    channels.push_back(
        {at, std::string(value.substr(0, nameCut)), ordinal < limits::maxMusicChannels});
    if (value.empty() || value.front() == '"')
        sink.warn(at, "'channel' takes the name of the sound that plays it before its MML: "
                      "this channel has no instrument and is silent");
}

void LoadWatch::checkSoundRange(const WatchFrame& frame, std::string_view keyword,
                                std::string_view value, SourcePos at) {
    const std::string key(keyword);
    if (frame.kind == BlockKind::Music) {
        const int32_t tempo = readInt(value);
        if (tempo < mml::minTempo || tempo > mml::maxTempo)
            sink.warn(at, "'tempo' " + std::to_string(tempo) + " is outside " +
                              std::to_string(mml::minTempo) + " to " + std::to_string(mml::maxTempo) +
                              ": it is clamped to " +
                              std::to_string(tempo < mml::minTempo ? mml::minTempo : mml::maxTempo));
        return;
    }
    for (const SoundParamInfo& info : soundParamTable()) {
        if (info.name != keyword) continue;
        const float read = readFloat(value);
        if (read >= info.lowest && read <= info.highest) return;  // NaN fails both
        SoundParams params;
        params.*(info.field) = read;
        const float clamped = clampSoundParams(params).*(info.field);
        sink.warn(at, "'" + key + "' " + std::string(value) + " is outside " +
                          shortNumber(info.lowest) + " to " + shortNumber(info.highest) +
                          ": it is clamped to " + shortNumber(clamped));
        return;
    }
}

// A music channel read: each MML error at its position in the file.
void LoadWatch::musicChannelRead(std::string_view text, const MmlChannel& channel) {
    for (const MmlError& error : channel.errors) {
        const auto column = static_cast<size_t>(error.column);
        const SourcePos at = column > 0 && column <= text.size() + 1 ? posOf(text.substr(column - 1))
                                                                     : posOf(text);
        sink.warn(at, "MML: " + error.message);
    }
    if (channel.errorsDropped > 0)
        sink.warn(posOf(text), "MML: " + std::to_string(channel.errorsDropped) +
                                   " more mistakes in this channel are not shown");
}

void checkSounds(const LoadWatch& watch, const Registries& defs, DiagnosticSink& sink) {
    std::vector<std::string_view> names;
    for (const SoundDef& sound : defs.soundRegistry) names.push_back(sound.name);
    for (const ChannelSource& channel : watch.channels) {
        if (!channel.kept || channel.instrument.empty() || channel.instrument.front() == '"') continue;
        if (findSound(defs, channel.instrument) >= 0) continue;
        sink.warn(channel.at, "no sound is named '" + channel.instrument +
                                  "': this channel is silent" + hintFor(channel.instrument, names));
    }
    std::vector<std::string_view> tunes;
    for (const MusicDef& music : defs.musicRegistry) tunes.push_back(music.name);
    for (const CommandSource& c : watch.commands) {
        const CommandWord word = c.command.word;
        if ((word != CommandWord::Sound && word != CommandWord::Music) || c.command.soundName < 0)
            continue;
        const auto at = static_cast<size_t>(c.command.soundName);
        if (at >= defs.soundCommandNames.size()) continue;
        const std::string& name = defs.soundCommandNames[at];
        const bool music = word == CommandWord::Music;
        if ((music ? findMusic(defs, name) : findSound(defs, name)) >= 0) continue;
        // The value of the command's last name, where the parser took it from.
        SourcePos where = c.at;
        for (size_t i = 0; i < c.params.size() && i < c.command.params.size(); ++i)
            if (c.command.params[i].wholeName == ParamName::Name) where = c.params[i].valueAt;
        sink.warn(where, (music ? "no music is named '" : "no sound is named '") + name +
                             "': this command is silent" + hintFor(name, music ? tunes : names));
    }
}
