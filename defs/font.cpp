// Vector font: font.vec's model blocks become the glyph list and the glyph table.
#include "core/game_state.h"
#include "defs/defs.h"

namespace {

// Upper case as the C library's toupper gives it in the "C" locale: a-z only.
unsigned char upperCase(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

// Characters that cannot stand in a name (the reader splits at braces), spelled out from
// the 4th character of a glyph's name instead: `symopenbrace` draws '{'.
struct SpelledKey {
    std::string_view spelling;
    unsigned char key;
};
constexpr SpelledKey spelledKeys[] = {{"openbrace", '{'}, {"closebrace", '}'}};

// Appends one glyph and lets its key (glyphKey of its stored name) point at it.
void addGlyph(Registries& defs, Model glyph) {
    defs.fontGlyphs.push_back(std::move(glyph));
    const auto index = static_cast<int32_t>(defs.fontGlyphs.size() - 1);
    const std::string& name = defs.fontGlyphs.back().name;
    // A name of fewer than four bytes (file tag included) has no key: such a glyph
    // leaves the table alone and can only be reached through its index.
    if (name.size() < 4) return;
    const unsigned char key = glyphKey(name);
    defs.glyphTable[key] = index;
    defs.glyphTable[upperCase(key)] = index;
}

}  // namespace

bool loadFontFile(Registries& defs, std::string_view dataDir, const std::string& path) {
    parseBudgetedText(defs, dataDir, path, [&defs](std::string_view text, size_t from, bool whole) {
        return loadFontTextPart(defs, text, from, whole);
    });
    return true;
}

bool loadFontFile(const std::string& path) { return loadFontFile(game.defs, game.dataDir, path); }

// Parses a font file's definition text: every model block is a glyph. The font takes the
// file tag of the current ordinal but does not advance it.
void loadFontText(Registries& defs, std::string_view text) {
    loadFontTextPart(defs, text, 0, true);
}

size_t loadFontTextPart(Registries& defs, std::string_view text, size_t from, bool whole) {
    LoadObserver* const watch = defs.observer;
    Cursor cursor{text, from};
    while (!cursor.atEnd()) {
        const size_t start = cursor.pos;
        std::string_view token = nextToken(cursor);
        HeaderBlock model;
        if (token == "model") model = takeHeaderBlock(cursor);
        // An element that reads on to the end of the text so far waits for the text to come.
        if (!whole && cursor.atEnd()) return start;
        if (token != "model") {
            if (watch) watch->tokenSkipped(token);
            continue;
        }
        if (watch) watch->blockOpened(BlockKind::Model, token, model, false);
        addGlyph(defs, parseModel(defs, model.block, defs.fileOrdinal, model.header));
        if (watch) watch->blockClosed(BlockKind::Model);
    }
    return cursor.pos;
}

unsigned char glyphKey(std::string_view name) {
    const std::string_view rest = name.substr(3);
    for (const SpelledKey& spelled : spelledKeys) {
        if (!rest.starts_with(spelled.spelling)) continue;
        // Only the file tag (0x01 and one more byte) may follow the spelling.
        const std::string_view tag = rest.substr(spelled.spelling.size());
        if (tag.empty() || (tag.size() == 2 && tag[0] == '\x01')) return spelled.key;
    }
    return static_cast<unsigned char>(name[3]);
}
