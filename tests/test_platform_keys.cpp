// SDL keys and the browser's keys translate to the same game key codes, and every game key
// code has a readable name.
#include "platform/headless.h"
#include "platform/sdl_platform.h"
#include "platform/web_platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The game key code of an SDL key, decided by its symbol alone.
int codeOf(SDL_Keycode key) {
    return virtualKeyFromSdl(static_cast<int>(key), SDL_SCANCODE_UNKNOWN);
}

}  // namespace

TEST(SdlKeys, KeysTheGameNamesHaveTheirFixedCodes) {
    EXPECT_EQ(codeOf(SDLK_r), 0x52);
    EXPECT_EQ(codeOf(SDLK_ESCAPE), 0x1B);
    EXPECT_EQ(codeOf(SDLK_F9), 0x78);
    EXPECT_EQ(codeOf(SDLK_LEFT), 0x25);
    EXPECT_EQ(codeOf(SDLK_UP), 0x26);
    EXPECT_EQ(codeOf(SDLK_RIGHT), 0x27);
    EXPECT_EQ(codeOf(SDLK_DOWN), 0x28);
    EXPECT_EQ(codeOf(SDLK_z), keys::letterZ);
    EXPECT_EQ(codeOf(SDLK_x), keys::letterX);
    EXPECT_EQ(codeOf(SDLK_c), keys::letterC);
    EXPECT_EQ(codeOf(SDLK_SPACE), 0x20);
}

TEST(SdlKeys, LettersDigitsAndFunctionKeysRunInOrder) {
    for (int i = 0; i < 26; ++i) EXPECT_EQ(codeOf(SDLK_a + i), 0x41 + i) << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(codeOf(SDLK_0 + i), 0x30 + i) << i;
    const SDL_Keycode functionKeys[] = {SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4,  SDLK_F5,  SDLK_F6,
                                        SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(codeOf(functionKeys[i]), 0x70 + i) << i;
    EXPECT_EQ(codeOf(SDLK_F13), 0x7C);
    EXPECT_EQ(codeOf(SDLK_F24), 0x87);
}

TEST(SdlKeys, BothSidesOfModifiersShareOneCode) {
    EXPECT_EQ(codeOf(SDLK_LSHIFT), 0x10);
    EXPECT_EQ(codeOf(SDLK_RSHIFT), 0x10);
    EXPECT_EQ(codeOf(SDLK_LCTRL), 0x11);
    EXPECT_EQ(codeOf(SDLK_RCTRL), 0x11);
    EXPECT_EQ(codeOf(SDLK_LALT), 0x12);
    EXPECT_EQ(codeOf(SDLK_RALT), 0x12);
    EXPECT_EQ(codeOf(SDLK_RETURN), 0x0D);
    EXPECT_EQ(codeOf(SDLK_KP_ENTER), 0x0D);
    EXPECT_EQ(codeOf(SDLK_TAB), 0x09);
    EXPECT_EQ(codeOf(SDLK_BACKSPACE), 0x08);
}

TEST(SdlKeys, NumpadAndPunctuation) {
    const SDL_Keycode pad[] = {SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4,
                               SDLK_KP_5, SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(codeOf(pad[i]), 0x60 + i) << i;
    EXPECT_EQ(codeOf(SDLK_KP_MULTIPLY), 0x6A);
    EXPECT_EQ(codeOf(SDLK_KP_PLUS), 0x6B);
    EXPECT_EQ(codeOf(SDLK_KP_MINUS), 0x6D);
    EXPECT_EQ(codeOf(SDLK_KP_PERIOD), 0x6E);
    EXPECT_EQ(codeOf(SDLK_KP_DIVIDE), 0x6F);
    EXPECT_EQ(codeOf(SDLK_SEMICOLON), 0xBA);
    EXPECT_EQ(codeOf(SDLK_EQUALS), 0xBB);
    EXPECT_EQ(codeOf(SDLK_COMMA), 0xBC);
    EXPECT_EQ(codeOf(SDLK_MINUS), 0xBD);
    EXPECT_EQ(codeOf(SDLK_PERIOD), 0xBE);
    EXPECT_EQ(codeOf(SDLK_SLASH), 0xBF);
    EXPECT_EQ(codeOf(SDLK_BACKQUOTE), 0xC0);
    EXPECT_EQ(codeOf(SDLK_LEFTBRACKET), 0xDB);
    EXPECT_EQ(codeOf(SDLK_BACKSLASH), 0xDC);
    EXPECT_EQ(codeOf(SDLK_RIGHTBRACKET), 0xDD);
    EXPECT_EQ(codeOf(SDLK_QUOTE), 0xDE);
    EXPECT_EQ(codeOf(SDLK_PAGEUP), 0x21);
    EXPECT_EQ(codeOf(SDLK_DELETE), 0x2E);
}

TEST(SdlKeys, UnknownSymbolsFallBackToTheKeysPlace) {
    // 'é' on the 2 key of a French layout, a Cyrillic letter on the F key.
    EXPECT_EQ(virtualKeyFromSdl(0xE9, SDL_SCANCODE_2), 0x32);
    EXPECT_EQ(virtualKeyFromSdl(0x0430, SDL_SCANCODE_F), 0x46);
    EXPECT_EQ(virtualKeyFromSdl(0x0430, SDL_SCANCODE_0), 0x30);
    // A known symbol wins over its place: 'a' where a US keyboard has Q.
    EXPECT_EQ(virtualKeyFromSdl(SDLK_a, SDL_SCANCODE_Q), 0x41);
    // Keys the game has no code for.
    EXPECT_EQ(codeOf(SDLK_AUDIOPLAY), 0);
    EXPECT_EQ(virtualKeyFromSdl(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
}

TEST(BrowserKeys, SameCodesAsTheWindowForTheSameKeys) {
    struct Same {
        SDL_Keycode sdl;
        const char* key;   // KeyboardEvent.key
        const char* code;  // KeyboardEvent.code
    };
    const Same same[] = {
        {SDLK_z, "z", "KeyZ"},          {SDLK_z, "Z", "KeyZ"},
        {SDLK_5, "5", "Digit5"},        {SDLK_LEFT, "ArrowLeft", "ArrowLeft"},
        {SDLK_DOWN, "ArrowDown", "ArrowDown"}, {SDLK_ESCAPE, "Escape", "Escape"},
        {SDLK_F9, "F9", "F9"},          {SDLK_F24, "F24", "F24"},
        {SDLK_SPACE, " ", "Space"},     {SDLK_LSHIFT, "Shift", "ShiftLeft"},
        {SDLK_RSHIFT, "Shift", "ShiftRight"}, {SDLK_RALT, "AltGraph", "AltRight"},
        {SDLK_RETURN, "Enter", "Enter"}, {SDLK_KP_ENTER, "Enter", "NumpadEnter"},
        {SDLK_KP_7, "7", "Numpad7"},    {SDLK_KP_7, "Home", "Numpad7"},
        {SDLK_KP_PLUS, "+", "NumpadAdd"}, {SDLK_PAUSE, "Pause", "Pause"},
        {SDLK_SEMICOLON, ";", "Semicolon"}, {SDLK_QUOTE, "'", "Quote"},
        {SDLK_BACKSLASH, "\\", "Backslash"}, {SDLK_LGUI, "Meta", "MetaLeft"},
        {SDLK_DELETE, "Delete", "Delete"},
    };
    for (const Same& k : same)
        EXPECT_EQ(virtualKeyFromBrowser(k.key, k.code), codeOf(k.sdl)) << k.key << " " << k.code;
}

TEST(BrowserKeys, UnknownSymbolsFallBackToTheKeysPlace) {
    EXPECT_EQ(virtualKeyFromBrowser("\xC3\xA9", "Digit2"), 0x32);        // French layout
    EXPECT_EQ(virtualKeyFromBrowser("%", "Digit5"), 0x35);               // Shift and 5
    EXPECT_EQ(virtualKeyFromBrowser("\xD0\xB0", "KeyF"), 0x46);          // Cyrillic
    EXPECT_EQ(virtualKeyFromBrowser("a", "KeyQ"), 0x41);                 // the symbol wins
    EXPECT_EQ(virtualKeyFromBrowser("MediaPlayPause", "MediaPlayPause"), 0);
    EXPECT_EQ(virtualKeyFromBrowser("F25", "F25"), 0);
    EXPECT_EQ(virtualKeyFromBrowser("", ""), 0);
}

TEST(KeyNames, NamesOfCommonKeys) {
    EXPECT_EQ(keyName(0x41), "A");
    EXPECT_EQ(keyName(0x5A), "Z");
    EXPECT_EQ(keyName(0x30), "0");
    EXPECT_EQ(keyName(0x39), "9");
    EXPECT_EQ(keyName(0x70), "F1");
    EXPECT_EQ(keyName(0x78), "F9");
    EXPECT_EQ(keyName(0x7B), "F12");
    EXPECT_EQ(keyName(keys::up), "Up");
    EXPECT_EQ(keyName(keys::down), "Down");
    EXPECT_EQ(keyName(keys::left), "Left");
    EXPECT_EQ(keyName(keys::right), "Right");
    EXPECT_EQ(keyName(keys::space), "Space");
    EXPECT_EQ(keyName(keys::enter), "Enter");
    EXPECT_EQ(keyName(keys::escape), "Escape");
    EXPECT_EQ(keyName(keys::shift), "Shift");
    EXPECT_EQ(keyName(keys::control), "Ctrl");
    EXPECT_EQ(keyName(keys::alt), "Alt");
    EXPECT_EQ(keyName(keys::tab), "Tab");
    EXPECT_EQ(keyName(keys::backspace), "Backspace");
    EXPECT_EQ(keyName(0x60), "Numpad 0");
    EXPECT_EQ(keyName(0x69), "Numpad 9");
    EXPECT_EQ(keyName(0x6B), "Numpad Add");
    EXPECT_EQ(keyName(0xBC), "Comma");
}

TEST(KeyNames, UnknownCodesGetAHexName) {
    EXPECT_EQ(keyName(0x07), "Key 0x07");
    EXPECT_EQ(keyName(0xFF), "Key 0xFF");
    EXPECT_EQ(keyName(0x1234), "Key 0x1234");
    EXPECT_FALSE(keyName(-1).empty());
    for (int code = 1; code <= 0xFFFF; ++code) ASSERT_FALSE(keyName(code).empty()) << code;
}

TEST(KeyNames, EveryCodeTheKeyboardProducesHasAProperName) {
    // SDL keycodes are either a character or a scancode with a marker bit.
    std::vector<SDL_Keycode> keycodes;
    for (SDL_Keycode c = 0x20; c < 0x7F; ++c) keycodes.push_back(c);
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        keycodes.push_back(SDL_SCANCODE_TO_KEYCODE(static_cast<SDL_Scancode>(sc)));
    int translated = 0;
    for (const SDL_Keycode key : keycodes) {
        const int code = virtualKeyFromSdl(static_cast<int>(key), SDL_SCANCODE_UNKNOWN);
        if (code == 0) continue;
        ++translated;
        EXPECT_NE(keyName(code).rfind("Key 0x", 0), 0u) << SDL_GetKeyName(key);
    }
    // Letters, digits, 24 function keys, numpad, arrows, modifiers and punctuation.
    EXPECT_GT(translated, 100);
}

TEST(StartupError, PrintedLineHasCaptionAndText) {
    EXPECT_EQ(errorLine("Error", "Can't create the window"), "Error: Can't create the window");
}

TEST(StartupError, OnlyDriversThatShowAWindowUnlessTheUserNamesOne) {
    unsetenv("SDL_VIDEODRIVER");
    keepVisibleVideoDrivers();
    const std::string drivers = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    EXPECT_NE(drivers.find("x11"), std::string::npos) << drivers;
    for (const char* blind : {"dummy", "offscreen", "evdev"})
        EXPECT_EQ(drivers.find(blind), std::string::npos) << drivers;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    keepVisibleVideoDrivers();
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_VIDEODRIVER), "dummy");
    unsetenv("SDL_VIDEODRIVER");
}
