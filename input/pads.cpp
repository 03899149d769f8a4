// The pad's standard layout (standard buttons to actions, the left stick's dead zone),
// the names of standard buttons and axes, and the checked reading of mapping lines in the
// community's gamecontrollerdb.txt form.
#include "input/input.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

namespace {

// The standard layout, in the order a row's bracketed names list them.
constexpr std::array<PadLayoutEntry, 11> layout = {{
    {PadButton::dpUp, Action::up},
    {PadButton::dpRight, Action::right},
    {PadButton::dpDown, Action::down},
    {PadButton::dpLeft, Action::left},
    {PadButton::rightShoulder, Action::slowdown},
    {PadButton::y, Action::slowdown},
    {PadButton::a, Action::fire},
    {PadButton::b, Action::bomb},
    {PadButton::x, Action::power},
    {PadButton::start, Action::pause},
    {PadButton::back, Action::exit},
}};

// Mapping-line names of the standard buttons, in PadButton order.
constexpr std::array<std::string_view, padButtonCount> buttonIds = {
    "a",     "b",          "x",          "y",            "back",
    "guide", "start",      "leftstick",  "rightstick",   "leftshoulder",
    "rightshoulder", "dpup", "dpdown",   "dpleft",       "dpright",
};

// Names the controls setup shows, in PadButton order.
constexpr std::array<std::string_view, padButtonCount> buttonLabels = {
    "A",     "B",  "X",  "Y",  "Back", "Guide", "Start", "LS",
    "RS",    "LB", "RB", "Up", "Down", "Left",  "Right",
};

// Mapping-line names of the standard axes, in PadAxis order.
constexpr std::array<std::string_view, padAxisCount> axisIds = {
    "leftx", "lefty", "rightx", "righty", "lefttrigger", "righttrigger",
};

// True when the text is exactly 32 hexadecimal digits.
bool isGuid(std::string_view text) {
    if (text.size() != 32) return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return true;
}

// Why a mapping line cannot be one, or "" when its form is right: a GUID, a name, then
// at least one "name:value" field; printable characters only.
std::string_view lineProblem(std::string_view line) {
    if (line.size() > maxMappingLine) return "longer than 1024 characters";
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return "has control characters";
    const size_t first = line.find(',');
    if (first == std::string_view::npos || !isGuid(line.substr(0, first)))
        return "does not start with a 32-digit hex GUID";
    const size_t second = line.find(',', first + 1);
    if (second == std::string_view::npos || second == first + 1) return "has no name";
    if (line.find(':', second) == std::string_view::npos) return "maps nothing";
    return {};
}

// Adds one warning to the report, or counts it once the cap is reached.
void warn(MappingReport& report, std::string text) {
    if (static_cast<int>(report.warnings.size()) < maxMappingWarnings) {
        report.warnings.push_back(std::move(text));
    } else {
        ++report.warningsLeftOut;
    }
}

}  // namespace

std::span<const PadLayoutEntry> padLayout() { return layout; }

std::string_view padButtonId(PadButton button) {
    return buttonIds[static_cast<size_t>(button)];
}

std::optional<PadButton> padButtonFromId(std::string_view id) {
    for (size_t i = 0; i < buttonIds.size(); ++i)
        if (buttonIds[i] == id) return static_cast<PadButton>(i);
    return std::nullopt;
}

std::string_view padButtonLabel(PadButton button) {
    return buttonLabels[static_cast<size_t>(button)];
}

std::optional<PadAxis> padAxisFromId(std::string_view id) {
    for (size_t i = 0; i < axisIds.size(); ++i)
        if (axisIds[i] == id) return static_cast<PadAxis>(i);
    return std::nullopt;
}

int32_t stickDirections(int x, int y, int32_t deadZonePercent) {
    const int64_t edge = int64_t{32767} * deadZonePercent / 100;
    int32_t d = 0;
    if (y < -edge) d |= 1;
    if (x > edge) d |= 2;
    if (y > edge) d |= 4;
    if (x < -edge) d |= 8;
    return d;
}

MappingReport addPadMappings(std::string_view text, std::string_view source, Joystick& joystick) {
    MappingReport report;
    const std::string where(source);
    size_t pos = 0;
    int lineNumber = 0, read = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos || line[start] == '#') continue;
        line.remove_prefix(start);
        if (++read > maxMappingLines) {
            warn(report, where + ": more than " + std::to_string(maxMappingLines) +
                             " mappings; the rest are left out");
            break;
        }
        const std::string_view problem = lineProblem(line);
        MappingResult result = MappingResult::refused;
        if (problem.empty()) result = joystick.addPadMapping(line);
        if (result == MappingResult::added) {
            ++report.added;
        } else if (result == MappingResult::otherSystem) {
            ++report.otherSystem;
        } else {
            ++report.refused;
            warn(report, where + ":" + std::to_string(lineNumber) + ": mapping skipped: " +
                             std::string(problem.empty() ? "the pad layer refused it" : problem));
        }
    }
    return report;
}

MappingReport addPadMappingFile(const std::string& path, Joystick& joystick) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return {};
    std::ifstream in(path, std::ios::binary);
    std::string text(maxMappingFileBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return addPadMappings(text, path, joystick);
}
