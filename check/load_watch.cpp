// The load watcher: follows the game's parsers block by block and reports, with the
// file position of each token, what they skip, cut, swallow or drop.
#include "check/load_watch.h"

#include "core/limits.h"
#include "check/hints.h"

#include <array>

namespace {

// Whether a token starts like a word, so that a spelling hint makes sense for it.
bool looksLikeWord(std::string_view token) {
    return !token.empty() && token.front() >= 'a' && token.front() <= 'z';
}

}  // namespace

std::string_view blockTitle(BlockKind kind) {
    switch (kind) {
    case BlockKind::Model: return "model block";
    case BlockKind::Line: return "line block";
    case BlockKind::Circle: return "hitc block";
    case BlockKind::Colour: return "color block";
    case BlockKind::Alpha: return "alpha block";
    case BlockKind::Ship: return "ship block";
    case BlockKind::Script: return "script block";
    case BlockKind::InlineScript: return "inline script block";
    case BlockKind::Stage: return "stage block";
    case BlockKind::Event: return "event block";
    case BlockKind::Command: return "command block";
    case BlockKind::Sound: return "sound block";
    case BlockKind::Music: return "music block";
    }
    return "block";
}

bool usesHeaderRule(BlockKind kind) {
    switch (kind) {
    case BlockKind::Model:
    case BlockKind::Ship:
    case BlockKind::Script:
    case BlockKind::Stage:
    case BlockKind::Event:
    case BlockKind::Command:
    case BlockKind::Sound:
    case BlockKind::Music: return true;
    default: return false;
    }
}

void LoadWatch::beginFile(uint32_t file, std::string_view text, const SourceMap* map, bool font) {
    file_ = file;
    text_ = text;
    map_ = map;
    font_ = font;
    unclosedReported_ = false;
    topRun_ = {};
    frames_.clear();
    lastCommand_ = SIZE_MAX;
    if (fileTags.size() <= file) fileTags.resize(file + 1);
    if (fileIsFont.size() <= file) fileIsFont.resize(file + 1, false);
    fileTags[file] = fileTag(defs.fileOrdinal);
    fileIsFont[file] = font;
}

void LoadWatch::endFile() {
    flushRun(topRun_);
    frames_.clear();
    text_ = {};
    map_ = nullptr;
}

// The offset of a view in the text, when it points into it.
bool LoadWatch::offsetOf(std::string_view view, size_t& offset) const {
    if (view.data() == nullptr || text_.data() == nullptr) return false;
    const char* begin = text_.data();
    const char* at = view.data();
    if (at < begin || at > begin + text_.size()) return false;
    offset = static_cast<size_t>(at - begin);
    return true;
}

// The file position of a text offset (the end of the text: just past its last byte).
SourcePos LoadWatch::posAt(size_t offset) const {
    if (map_ == nullptr || map_->line.empty()) return {file_, 0, 0};
    if (offset < map_->line.size()) return {file_, map_->line[offset], map_->column[offset]};
    const size_t last = map_->line.size() - 1;
    return {file_, map_->line[last], map_->column[last] + 1};
}

SourcePos LoadWatch::posOf(std::string_view view) const {
    size_t offset = 0;
    if (offsetOf(view, offset)) return posAt(offset);
    if (!frames_.empty()) return frames_.back().at;
    return {file_, 0, 0};
}

// The skipped-token run of the innermost block (or of the file's top level).
SkipRun& LoadWatch::currentRun() { return frames_.empty() ? topRun_ : frames_.back().run; }

// Reports a run of skipped tokens as one warning.
void LoadWatch::flushRun(SkipRun& run) {
    if (!run.open) return;
    run.open = false;
    std::string_view where;
    std::span<const std::string_view> words;
    if (frames_.empty() || &run == &topRun_) {
        where = font_ ? "font file's top level" : "top level";
        words = topLevelKeywords(font_);
    } else {
        where = blockTitle(frames_.back().kind);
        words = blockKeywords(frames_.back().kind);
    }
    std::string message;
    if (run.first.starts_with('}')) {
        message = "'" + run.first + "' closes no block here and is skipped";
    } else if (!run.first.empty() && run.first.front() == '{') {
        message = "'" + run.first + "' opens no block here (no block keyword before it) and is skipped";
    } else {
        message = "'" + run.first + "' is not a keyword of the " + std::string(where) +
                  " and is skipped";
    }
    if (run.count > 1)
        message += ", with the " + std::to_string(run.count - 1) + " token" +
                   (run.count > 2 ? "s" : "") + " after it";
    if (looksLikeWord(run.first)) message += hintFor(run.first, words);
    sink.warn(run.at, std::move(message));
}

// Applies a stage length the stage parser has just set: warns about the timeline cap
// and drops the commands a shorter length cut off, this stage's or, after a negative
// length, earlier stages'.
void LoadWatch::settleStage() {
    if (frames_.empty() || frames_.back().kind != BlockKind::Stage) return;
    WatchFrame& stage = frames_.back();
    if (!stage.lengthPending) return;
    stage.lengthPending = false;
    const auto size = static_cast<int64_t>(defs.timeline.size());
    if (stage.lengthAsked > 0 && stage.base + stage.lengthAsked > size)
        sink.warn(stage.lengthAt, "the timeline ends at " + std::to_string(limits::maxTimelineSlots) +
                                      " frames: this stage is cut to " +
                                      std::to_string(size - stage.base) + " frames");
    const auto cut = slotted_.lower_bound(size);
    for (auto it = cut; it != slotted_.end(); ++it) {
        CommandSource& c = commands[it->second];
        c.home = CommandHome::Dropped;
        if (it->first >= stage.base)
            sink.warn(c.at, "this command at frame " + std::to_string(it->first - stage.base) +
                                " is dropped: a later 'length' cut the stage to " +
                                std::to_string(size - stage.base) + " frames");
        else
            sink.warn(c.at, "this command is dropped: the negative 'length' of a later stage cut "
                            "the timeline to " + std::to_string(size) + " frames");
    }
    slotted_.erase(cut, slotted_.end());
}

void LoadWatch::blockOpened(BlockKind kind, std::string_view keyword, const HeaderBlock& block,
                            bool shortForm) {
    settleStage();
    flushRun(currentRun());
    WatchFrame frame;
    frame.kind = kind;
    frame.shortForm = shortForm;
    frame.at = posOf(keyword);
    frame.keyword = std::string(keyword);
    frame.nameAt = frame.at;
    if (shortForm) {
        frames_.push_back(std::move(frame));
        return;
    }
    frame.block = block.block;
    const bool dropped = usesHeaderRule(kind) && !(block.first.starts_with('{')) &&
                         !(block.second.starts_with('{'));
    checkBlockEnd(frame, block, dropped);
    checkHeader(frame, block);
    if (kind == BlockKind::Stage) frame.base = defs.timelineLength;
    if (kind == BlockKind::Ship) frame.ship.at = frame.at;
    if (kind == BlockKind::Command) {
        CommandSource c;
        c.at = frame.at;
        c.inTimeline = !frames_.empty() && frames_.back().kind == BlockKind::Event;
        c.tag = file_ < fileTags.size() ? fileTags[file_] : std::string();
        if (block.header) {
            c.wordText = std::string(*block.header);
            c.wordAt = posOf(*block.header);
            c.wordGiven = true;
        }
        commands.push_back(std::move(c));
        frame.command = commands.size() - 1;
        if (!frames_.empty()) frames_.back().commands.push_back(frame.command);
    }
    const HeaderValue header = block.header;
    frames_.push_back(std::move(frame));
    if (!header) return;
    WatchFrame& f = frames_.back();
    const SourcePos at = posOf(*header);
    switch (kind) {
    case BlockKind::Model:
    case BlockKind::Script:
    case BlockKind::Sound:
    case BlockKind::Music:
        f.named = true;
        f.nameAt = at;
        checkName(f.keyword, *header, at);
        break;
    case BlockKind::Ship:
        f.ship.given[0] = true;
        f.ship.fieldAt[0] = at;
        checkName(f.keyword, *header, at);
        break;
    case BlockKind::Stage: checkStageLength(f, *header, at); break;
    case BlockKind::Event:
        if (std::string problem = numberProblem(*header, true); !problem.empty())
            sink.warn(at, "event frame '" + std::string(*header) + "' " + problem);
        break;
    default: break;
    }
}

// The block opened last is parsed.
void LoadWatch::blockClosed(BlockKind kind) {
    settleStage();
    if (frames_.empty()) return;
    flushRun(frames_.back().run);
    WatchFrame frame = std::move(frames_.back());
    frames_.pop_back();
    static_cast<void>(kind);
    switch (frame.kind) {
    case BlockKind::Model: closeModel(frame); break;
    case BlockKind::Script:
    case BlockKind::InlineScript: closeScript(frame); break;
    case BlockKind::Ship:
        frame.ship.index = defs.shipRegistry.empty() ? 0 : defs.shipRegistry.size() - 1;
        ships.push_back(frame.ship);
        break;
    case BlockKind::Stage:
        if (!frame.hasLength)
            sink.warn(frame.at, "stage has no 'length': it adds no frames, and the commands of "
                                "its events are dropped");
        break;
    case BlockKind::Command: lastCommand_ = frame.command; break;
    case BlockKind::Sound:
    case BlockKind::Music:
        if (!frame.named)
            sink.warn(frame.at, std::string(blockTitle(frame.kind)) +
                                    " has no name, so nothing can play it");
        break;
    default: break;
    }
}

// A model block is done: a glyph of the font, or a model of the registry.
void LoadWatch::closeModel(const WatchFrame& frame) {
    if (font_) {
        if (defs.fontGlyphs.empty()) return;
        const auto index = static_cast<int32_t>(defs.fontGlyphs.size() - 1);
        glyphs.push_back({frame.at, frame.nameAt, static_cast<size_t>(index), false});
        const std::string& name = defs.fontGlyphs.back().name;
        const std::string shown = displayName(name);
        if (shown.size() < 4) {
            sink.warn(frame.nameAt, "glyph name '" + shown +
                                        "' is shorter than 4 characters: a glyph draws the "
                                        "character its name has 4th, and this one has none");
            return;
        }
        const unsigned char key = glyphKey(name);
        const int32_t owner = glyphKeyOwner[key];
        // Glyph 0 still draws every character nobody claims; any other glyph that loses
        // its character is never drawn.
        if (owner > 0 && static_cast<size_t>(owner) < glyphs.size()) {
            const DefinitionSource& earlier = glyphs[static_cast<size_t>(owner)];
            sink.warn(frame.nameAt,
                      "glyph '" + shown + "' takes '" + std::string(1, static_cast<char>(key)) +
                          "' from the earlier glyph '" +
                          displayName(defs.fontGlyphs[earlier.index].name) + "' (" +
                          sink.files[earlier.at.file] + ":" + std::to_string(earlier.at.line) +
                          "), which is then never drawn");
        }
        glyphKeyOwner[key] = index;
        return;
    }
    if (defs.modelRegistry.empty()) return;
    const size_t index = defs.modelRegistry.size() - 1;
    models.push_back({frame.at, frame.nameAt, index, false});
    if (!frame.named && index >= 2)
        sink.warn(frame.at, "model block has no name, so no command or ship can name it");
}

// A script block (or inline block) is done: its commands now have their home.
void LoadWatch::closeScript(const WatchFrame& frame) {
    if (defs.scriptRegistry.empty()) return;
    const size_t index = defs.scriptRegistry.size() - 1;
    for (size_t i = 0; i < frame.commands.size(); ++i) {
        CommandSource& c = commands[frame.commands[i]];
        c.home = CommandHome::Script;
        c.owner = index;
        c.index = i;
    }
    const bool isInline = frame.kind == BlockKind::InlineScript;
    scripts.push_back({frame.at, frame.nameAt, index, isInline});
    if (!isInline && !frame.named && index >= 2)
        sink.warn(frame.at, "script block has no name, so nothing can run it");
}

// A token the parsing loop skipped: joined to the current run when adjacent.
void LoadWatch::tokenSkipped(std::string_view token) {
    settleStage();
    SkipRun& run = currentRun();
    size_t offset = 0;
    const bool known = offsetOf(token, offset);
    if (run.open && known && offset == run.end + 1) {
        ++run.count;
        run.end = offset + token.size();
        return;
    }
    flushRun(run);
    run.open = true;
    run.at = posOf(token);
    run.first = std::string(token);
    run.count = 1;
    run.end = known ? offset + token.size() : 0;
}

// A parameter pair the command parser read.
void LoadWatch::paramRead(std::string_view name, std::string_view value) {
    if (frames_.empty() || frames_.back().kind != BlockKind::Command) return;
    CommandSource& c = commands[frames_.back().command];
    const SourcePos nameAt = posOf(name);
    c.params.push_back({nameAt, value.empty() ? nameAt : posOf(value), std::string(name),
                        std::string(value)});
}

// A parameter name with no value at the end of a command block.
void LoadWatch::paramDropped(std::string_view name) {
    sink.warn(posOf(name), "'" + std::string(name) +
                               "' has no value before the end of the command block and is dropped");
}

// An inline block nested too deep.
void LoadWatch::inlineSkipped(std::string_view name, std::string_view value,
                              std::string_view block) {
    static_cast<void>(value);
    static_cast<void>(block);
    sink.warn(posOf(name), "inline blocks nest deeper than " + std::to_string(limits::maxBlockDepth) +
                               " here: this one is skipped whole");
}

// The Command a command block gave.
void LoadWatch::commandParsed(const Command& command) {
    if (frames_.empty() || frames_.back().kind != BlockKind::Command) return;
    commands[frames_.back().command].command = command;
}

// Where an event block put its last Command.
void LoadWatch::commandPlaced(int64_t slot, bool kept) {
    if (lastCommand_ >= commands.size()) return;
    CommandSource& c = commands[lastCommand_];
    WatchFrame* stage = nullptr;
    for (size_t i = frames_.size(); i-- > 0;) {
        if (frames_[i].kind == BlockKind::Stage) {
            stage = &frames_[i];
            break;
        }
    }
    const int64_t base = stage ? stage->base : 0;
    const auto& timeline = defs.timeline;
    if (kept) {
        c.home = CommandHome::Slot;
        c.owner = static_cast<size_t>(slot);
        c.index = timeline[static_cast<size_t>(slot)].commands.size() - 1;
        slotted_.emplace(slot, lastCommand_);
        return;
    }
    c.home = CommandHome::Dropped;
    const int64_t length = static_cast<int64_t>(timeline.size()) - base;
    if (length <= 0) {
        sink.warn(c.at, "the stage has no frames at this event (give its 'length' before its "
                        "events): this command is dropped");
        return;
    }
    sink.warn(c.at, "frame " + std::to_string(slot - base) + " lies outside its stage (frames 0 to " +
                        std::to_string(length - 1) + "): this command is dropped");
}
