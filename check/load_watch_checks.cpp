// The load watcher's checks of what one block element reads: block headers and ends,
// names, short forms, stage lengths and keyword values.
#include "check/load_watch.h"

#include "core/limits.h"
#include "check/hints.h"

#include <array>

namespace {

// "1st", "2nd", "3rd", "4th".
std::string ordinal(size_t n) {
    static constexpr std::array<std::string_view, 4> names = {"1st", "2nd", "3rd", "4th"};
    return n >= 1 && n <= 4 ? std::string(names[n - 1]) : std::to_string(n) + "th";
}

// Whether `word` is one of `words`.
bool isOneOf(std::string_view word, std::span<const std::string_view> words) {
    for (std::string_view w : words)
        if (w == word) return true;
    return false;
}

// The ship field a ship keyword fills, in ShipSource order.
size_t shipField(std::string_view keyword) {
    const std::span<const std::string_view> words = blockKeywords(BlockKind::Ship);
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i] == keyword) return i;
    return 0;
}

}  // namespace

// Reports what the header rule did with the tokens after a block keyword.
void LoadWatch::checkHeader(const WatchFrame& frame, const HeaderBlock& block) {
    auto joined = [&](std::string_view opener) {
        if (opener.size() <= 1) return;
        size_t offset = 0;
        const SourcePos at = offsetOf(opener, offset) ? posAt(offset + 1) : frame.at;
        sink.warn(at, "'" + std::string(opener.substr(1)) +
                          "' is joined to '{': the block opens and that text is lost "
                          "(put a blank after the brace)");
    };
    if (block.first.starts_with('{')) {
        joined(block.first);
        return;
    }
    if (!usesHeaderRule(frame.kind)) return;
    if (block.second.starts_with('{')) {
        joined(block.second);
        return;
    }
    std::string message = "'" + frame.keyword + "' is not followed by '{' or by one value and '{'";
    if (block.first.empty()) {
        message += ": it stands at the end and gets an empty block";
    } else {
        message += ": '" + std::string(block.first) + "'";
        if (!block.second.empty()) message += " and '" + std::string(block.second) + "'";
        message += block.second.empty() ? " is dropped" : " are dropped";
        message += ", and the block runs from there to ";
        size_t end = 0;
        const bool known = offsetOf(block.block, end);
        end += block.block.size();
        if (!frames_.empty())
            message += "the end of the enclosing " + std::string(blockTitle(frames_.back().kind));
        else if (!known || end >= text_.size())
            message += "the end of the file";
        else
            message += "the first '}' that closes more than it opens";
    }
    sink.warn(frame.at, std::move(message));
}

// Reports a block that never closes, and a closing brace joined to the next token.
void LoadWatch::checkBlockEnd(const WatchFrame& frame, const HeaderBlock& block, bool dropped) {
    size_t start = 0;
    if (!offsetOf(block.block, start)) return;
    const size_t end = start + block.block.size();
    size_t enclosingEnd = text_.size();
    if (!frames_.empty()) {
        size_t parentStart = 0;
        if (offsetOf(frames_.back().block, parentStart))
            enclosingEnd = parentStart + frames_.back().block.size();
    }
    if (end >= enclosingEnd) {
        if (frames_.empty() && !dropped && !unclosedReported_) {
            unclosedReported_ = true;
            sink.warn(frame.at, "this " + std::string(blockTitle(frame.kind)) +
                                    " never closes: it takes the rest of the file");
        }
        return;
    }
    const size_t next = end + 1;
    if (next >= text_.size() || text_[next] == ' ') return;
    size_t stop = text_.find(' ', next);
    if (stop == std::string_view::npos) stop = text_.size();
    const std::string_view token = text_.substr(next, stop - next);
    std::string message = "'}' is joined to '" + std::string(token) +
                          "': the character after a closing brace is dropped";
    if (token.size() > 1) message += ", so '" + std::string(token.substr(1)) + "' is read";
    sink.warn(posAt(next), std::move(message));
}

// Reports a name that is cut or that is a keyword.
void LoadWatch::checkName(std::string_view keyword, std::string_view value, SourcePos at) {
    if (value.empty()) {
        sink.warn(at, "'" + std::string(keyword) + "' has no value before the end of the block: the name is empty");
        return;
    }
    if (value.size() > nameCut)
        sink.warn(at, "name '" + std::string(value) + "' is longer than " + std::to_string(nameCut) +
                          " characters and is cut to '" + std::string(value.substr(0, nameCut)) + "'");
    if (value.front() == '{' || value.front() == '}')
        sink.warn(at, "'" + std::string(keyword) + "' takes '" + std::string(value) + "' as its value");
}

// Checks one value of a model element's short form.
void LoadWatch::checkShortValue(WatchFrame& frame, std::string_view value) {
    const size_t n = ++frame.shortValues;
    const size_t total = shortFormKeys(frame.kind).size();
    const std::string head = "the short form of '" + frame.keyword + "' ";
    if (value.empty()) {
        if (!frame.shortCut)
            sink.warn(frame.at, head + "ends after " + std::to_string(n - 1) + " of its " +
                                    std::to_string(total) + " values: the missing ones read as 0");
        frame.shortCut = true;
        return;
    }
    const SourcePos at = posOf(value);
    if (isOneOf(value, blockKeywords(BlockKind::Model)) || value.front() == '{' || value.front() == '}') {
        std::string message = head + "needs " + std::to_string(total) + " values and takes '" +
                              std::string(value) + "' as its " + ordinal(n) + " (read as 0)";
        if (isOneOf(value, blockKeywords(BlockKind::Model)))
            message += ": that '" + std::string(value) + "' element is lost and its values are skipped";
        sink.warn(at, std::move(message));
        return;
    }
    const bool integer = frame.kind == BlockKind::Colour || frame.kind == BlockKind::Alpha;
    if (std::string problem = numberProblem(value, integer); !problem.empty()) {
        sink.warn(at, head + "value '" + std::string(value) + "' " + problem);
        return;
    }
    if (integer) {
        const int32_t v = readInt(value);
        if (v < 0 || v > 255)
            sink.warn(at, "colour channel value " + std::to_string(v) +
                              " is outside 0 to 255 and spills into the neighbouring channel");
    }
}

// Checks a stage's length and marks it to be applied.
void LoadWatch::checkStageLength(WatchFrame& stage, std::string_view value, SourcePos at) {
    if (std::string problem = numberProblem(value, true); !problem.empty())
        sink.warn(at, "stage length '" + std::string(value) + "' " + problem);
    if (stage.hasLength)
        sink.warn(at, "the stage's length is given again: it is measured again from the stage's "
                      "first frame");
    stage.hasLength = true;
    stage.lengthPending = true;
    stage.lengthAsked = readInt(value);
    stage.lengthAt = at;
    if (stage.lengthAsked == 0)
        sink.warn(at, "stage length 0 adds no frames");
    else if (stage.lengthAsked < 0)
        sink.warn(at, "stage length " + std::to_string(stage.lengthAsked) +
                          " adds no frames and cuts the timeline back by " +
                          std::to_string(-stage.lengthAsked) + " frames");
}

// A keyword and the value read for it.
void LoadWatch::valueRead(std::string_view keyword, std::string_view value, ValueKind kind) {
    settleStage();
    if (frames_.empty()) return;
    WatchFrame& frame = frames_.back();
    flushRun(frame.run);
    if (frame.shortForm) {
        checkShortValue(frame, value);
        return;
    }
    const SourcePos keyAt = posOf(keyword);
    const SourcePos at = value.empty() ? keyAt : posOf(value);
    const std::string key(keyword);
    if (frame.kind == BlockKind::Command) {
        CommandSource& c = commands[frame.command];
        if (c.wordGiven)
            sink.warn(keyAt, "a second command word: '" + std::string(value) + "' replaces '" +
                                 c.wordText + "'");
        if (value.empty())
            sink.warn(keyAt, "'cmd' has no word after it: the command gets an empty word and does nothing");
        c.wordText = std::string(value);
        c.wordAt = at;
        c.wordGiven = true;
        return;
    }
    if ((frame.kind == BlockKind::Sound || frame.kind == BlockKind::Music) &&
        kind == ValueKind::Name && key != "name") {
        checkSoundName(keyword, value, at);
        return;
    }
    if (kind == ValueKind::Name) {
        if (frame.kind == BlockKind::Ship) {
            const size_t field = shipField(keyword);
            frame.ship.given[field] = true;
            frame.ship.fieldAt[field] = at;
        } else {
            frame.named = true;
            frame.nameAt = at;
            if (frame.kind == BlockKind::InlineScript)
                sink.warn(keyAt, "an inline block's 'name' is ignored: inline blocks are named by number");
        }
        checkName(keyword, value, at);
        if (!value.empty() && isOneOf(value, blockKeywords(frame.kind)))
            sink.warn(at, "'" + key + "' takes the keyword '" + std::string(value) + "' as its value");
        return;
    }
    if (value.empty()) {
        sink.warn(keyAt, "'" + key + "' has no value before the end of the block: it reads as 0");
        return;
    }
    if (isOneOf(value, blockKeywords(frame.kind))) {
        sink.warn(at, "'" + key + "' takes the keyword '" + std::string(value) +
                          "' as its value (read as 0), and that keyword is lost");
        return;
    }
    if (frame.kind == BlockKind::Stage) {
        checkStageLength(frame, value, at);
        return;
    }
    const bool integer = kind == ValueKind::Int;
    if (std::string problem = numberProblem(value, integer); !problem.empty()) {
        sink.warn(at, "'" + key + "' value '" + std::string(value) + "' " + problem);
        return;
    }
    if (frame.kind == BlockKind::Sound || frame.kind == BlockKind::Music) {
        checkSoundRange(frame, keyword, value, at);
        return;
    }
    if (frame.kind == BlockKind::Colour || frame.kind == BlockKind::Alpha) {
        const int32_t v = readInt(value);
        if (v < 0 || v > 255)
            sink.warn(at, "colour channel value " + std::to_string(v) +
                              " is outside 0 to 255 and spills into the neighbouring channel");
    }
}

