// Command-line options of quillfray-sim: a table of options, so that new ones are one row,
// read by the shared parser of app/command_line.h.
#include "tools/sim/sim_options.h"

#include "app/command_line.h"
#include "records/records.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

namespace {

// Column where the help of each option starts in the usage text.
constexpr size_t helpColumn = 24;

// How a run goes, for the end of the usage text.
constexpr std::string_view runNotes =
    "Without any option from --frames on, the tool only loads the files and writes\n"
    "--defs-json. With one, it runs the game itself on a headless engine, from the\n"
    "same start-up as the game (quillfray.cfg is read too; no joystick unless a\n"
    "--hold names the pad): start-up enters ship selection, then the run seeds the\n"
    "random numbers, sets the ship and enters the --screen, and runs --frames\n"
    "display frames. The run ends early when the game ends itself (Escape on ship\n"
    "selection). --ops-jsonl and --png show the last picture drawn; the state is the\n"
    "one after the last frame.\n\n"
    "--replay runs the recorded run instead, on the game screen, one step per\n"
    "display frame, comparing its check values. Exit status: 0 when it played to\n"
    "the end and every check value matched; 1 at a desync, naming the first step\n"
    "whose check value differs; 2 when the replay cannot be used (missing, damaged,\n"
    "not a replay, or recorded with other definition files without --force).\n"
    "A --start-frame past the level's end or a --stage that does not exist is an\n"
    "error with exit status 2.\n\n"
    "With --home DIR a run ends as the game's do: when its last frame has run, or\n"
    "it leaves gameplay, it is recorded in DIR/records/ and its replay kept in\n"
    "DIR/replays/ (a replay played back is not recorded). A record that cannot be\n"
    "written is said on stderr and changes no exit status.\n";

// One option: its spelling, the value it takes (empty: none), its help and its effect
// (null: a shared option, app/command_line.cpp).
struct OptionRow {
    std::string_view name;
    std::string_view valueName;
    std::string help;
    std::function<bool(SimOptions&, std::string_view value, std::string& error)> apply;
};

// A count of frames or a ship index: a non-negative decimal that fits in 32 bits.
bool readCount(std::string_view text, std::string_view option, int32_t& out,
               std::string& error) {
    int64_t value = -1;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '+' || ec != std::errc() || ptr != end || value < 0 ||
        value > std::numeric_limits<int32_t>::max()) {
        error = "option " + std::string(option) + " needs a whole number 0 or more, not \"" +
                std::string(text) + "\"";
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

// Every option the simulator knows, in the order the usage text lists them. Any option
// after --defs-json asks for a run.
const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> table = {
        {"--data", "DIR", "read base.vec, font.vec, default.lev, quillfray.cfg\n"
         "and level files named by relative paths from DIR\n"
         "instead of the working directory",
         nullptr},
        {"--defs-json", "FILE", "write the loaded models, scripts, ships, timeline\n"
         "and font as JSON",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.defsJson = std::string(v);
             return true;
         }},
        {"--frames", "N",
         "run N display frames on the virtual clock (default\n"
         "0: enter the screen and draw it once, without\n"
         "running its frame function)",
         [](SimOptions& o, std::string_view v, std::string& e) {
             o.run = true;
             return readCount(v, "--frames", o.frames, e);
         }},
        {"--screen", "NAME",
         "the screen the run starts on: game (default),\n"
         "select (ship selection with the demo), controls\n"
         "(controls setup), menu (the selection's menu),\n"
         "options (the Options screen), records (the\n"
         "Records screen), practice (the Practice screen) or\n"
         "replays (the Replays screen: the kept replays of --home)",
         [](SimOptions& o, std::string_view v, std::string& e) {
             o.run = true;
             if (v == "game") o.screen = SimScreen::Game;
             else if (v == "select") o.screen = SimScreen::Select;
             else if (v == "controls") o.screen = SimScreen::Controls;
             else if (v == "menu") o.screen = SimScreen::Menu;
             else if (v == "options") o.screen = SimScreen::Options;
             else if (v == "records") o.screen = SimScreen::Records;
             else if (v == "practice") o.screen = SimScreen::Practice;
             else if (v == "replays") o.screen = SimScreen::Replays;
             else {
                 e = "option --screen takes game, select, controls, menu, options, records, "
                     "practice or replays, not \"" +
                     std::string(v) + "\"";
                 return false;
             }
             return true;
         }},
        {"--ship", "K", "the ship gameplay starts with and the selection\n"
         "cursor stands on (default 0)",
         [](SimOptions& o, std::string_view v, std::string& e) {
             o.run = true;
             return readCount(v, "--ship", o.ship, e);
         }},
        {"--seed", "S",
         "seed of the game's random numbers, set right\n"
         "before the run enters its screen (default 1)",
         [](SimOptions& o, std::string_view v, std::string& e) {
             o.run = true;
             uint32_t value = 0;
             const char* end = v.data() + v.size();
             auto [ptr, ec] = std::from_chars(v.data(), end, value);
             if (v.empty() || ec != std::errc() || ptr != end) {
                 e = "option --seed needs a whole number 0 to 4294967295, not \"" +
                     std::string(v) + "\"";
                 return false;
             }
             o.seed = value;
             return true;
         }},
        {"--dt", "SECONDS",
         "advance the clock by SECONDS every display frame\n"
         "(default: exactly one fixed step of 1/60 s per\n"
         "display frame)",
         [](SimOptions& o, std::string_view v, std::string& e) {
             o.run = true;
             double value = -1.0;
             const char* end = v.data() + v.size();
             auto [ptr, ec] = std::from_chars(v.data(), end, value);
             if (v.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) ||
                 value < 0.0) {
                 e = "option --dt needs a number of seconds 0 or more, not \"" +
                     std::string(v) + "\"";
                 return false;
             }
             o.dt = value;
             return true;
         }},
        {"--hold", "KEY:FROM-TO",
         "hold KEY from display frame FROM to TO inclusive\n"
         "(frame 0 is the run's first; repeatable); in the\n"
         "frame it goes down it is also the key pressed.\n"
         "KEY: a code (decimal or 0x hex) or one of\n" + keyNameList() + ",\n"
         "or pad:NAME for a scripted pad (the game's\n"
         "layout and dead zone apply; raw button n is\n"
         "standard button n, so A is button 0): a b x y\n"
         "back start leftshoulder rightshoulder leftstick\n"
         "rightstick dpup dpdown dpleft dpright; axes\n"
         "leftx- lefty+ ... at full deflection, or\n"
         "leftx=-0.3 (-1..1) for a partial one",
         [](SimOptions& o, std::string_view v, std::string& e) {
             o.run = true;
             std::optional<KeyHold> hold = parseKeyHold(v, e);
             if (!hold) return false;
             o.holds.push_back(*hold);
             return true;
         }},
        {"--state-json", "FILE",
         "write the state after the run: screen, frames,\n"
         "clock, hold, boss bars, Players, Actors, Emitters\n"
         "and the window title",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.stateJson = std::string(v);
             return true;
         }},
        {"--trace-json", "FILE",
         "write one JSON line after every gameplay step:\n"
         "frameCounter, Actor and Emitter counts, score and\n"
         "boss bars (the demo's steps are not traced)",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.traceJson = std::string(v);
             return true;
         }},
        {"--events-jsonl", "FILE", "write every step's events (shot, hit, kill, graze,\n"
         "player_hit, bomb, power, boss_start, boss_end,\nstage_start, sound, music), one JSON object a line",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.eventsJsonl = std::string(v);
             return true;
         }},
        {"--ops-jsonl", "FILE", "write every scene operation of the last picture\n"
         "drawn, one JSON object a line",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.opsJsonl = std::string(v);
             return true;
         }},
        {"--png", "FILE", "rasterise the last picture drawn into an 800x600\n"
         "PNG",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.png = std::string(v);
             return true;
         }},
        {"--wav", "FILE", "write the run's sound as a 48 kHz stereo 16-bit\n"
         "WAV: 800 frames mixed after every gameplay and\ndemo step",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.wav = std::string(v);
             return true;
         }},
        {"--mute", "", "run with the sound muted (the WAV is silent)",
         [](SimOptions& o, std::string_view, std::string&) {
             o.mute = true;
             return true;
         }},
        {"--overlay", "", "draw the debug overlay (F3) for the whole run:\n"
         "hit circles, counts, timeline frame and work\n"
         "shares show in --png and --ops-jsonl; the state\n"
         "and trace stay as without it",
         [](SimOptions& o, std::string_view, std::string&) {
             o.run = true;
             o.overlay = true;
             return true;
         }},
        {"--start-frame", "N", "begin the run with timeline frame N (frames before\n"
         "it never run; the playfield starts empty)",
         nullptr},
        {"--stage", "K", "begin the run with the first frame of the K-th stage\n"
         "block, counting from 1 in load order",
         nullptr},
        {"--record", "FILE", "write the gameplay run (from the newGame that\n"
         "starts it until Escape, R or the last frame) as\na replay",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.record = std::string(v);
             return true;
         }},
        {"--replay", "FILE", "play the run of a replay: its ship, random\n"
         "numbers and inputs, one step per display frame",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.run = true;
             o.replay = std::string(v);
             return true;
         }},
        {"--verify", "", "with --replay: stop at the first step whose check\n"
         "value differs (a desync), instead of playing on",
         [](SimOptions& o, std::string_view, std::string&) {
             o.verify = true;
             return true;
         }},
        {"--force", "", "with --replay: play even when the definition files\n"
         "differ from the recorded ones",
         [](SimOptions& o, std::string_view, std::string&) {
             o.force = true;
             return true;
         }},
        {"--rerecord", "FILE", "with --replay: write the played inputs, run on\n"
         "the current files, as a fresh replay (whatever the\n"
         "old check values say)",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.rerecord = std::string(v);
             return true;
         }},
        {"--home", "DIR", "end the run as the game does: record it (and keep\n"
         "its replay) in DIR's records; the controls file\n"
         "is DIR/quillfray.cfg. Without it nothing is recorded",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.home = std::string(v);
             return true;
         }},
        {"--date", "DATE", "the date of the recorded run, as\n"
         "2026-12-08T12:00:00 (UTC; default: the clock's)",
         [](SimOptions& o, std::string_view v, std::string& e) {
             if (!validDate(v)) {
                 e = "option --date needs a date like 2026-12-08T12:00:00, not \"" +
                     std::string(v) + "\"";
                 return false;
             }
             o.date = std::string(v);
             return true;
         }},
        {"--print-records", "", "with --home: print the records of the level set\n"
         "(per ship the best scores, then the totals)",
         [](SimOptions& o, std::string_view, std::string&) {
             o.printRecords = true;
             return true;
         }},
        {"--records-json", "FILE", "with --home: write the records of the level set\n"
         "as JSON",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.recordsJson = std::string(v);
             return true;
         }},
    };
    return table;
}

// Options that shape the run itself (none goes with --replay).
bool shapesTheRun(std::string_view name) {
    return name == "--frames" || name == "--screen" || name == "--ship" || name == "--seed" ||
           name == "--hold";
}

// The simulator's words for a wrong command line.
std::string wording(const CommandLineError& error) {
    switch (error.kind) {
    case CommandLineError::Kind::UnknownOption:
        return "unknown option " + error.what.substr(0, error.what.find('='));
    case CommandLineError::Kind::NeedsValue:
        return "option " + error.what + " needs a value";
    case CommandLineError::Kind::TakesNoValue:
        return "option " + error.what + " takes no value";
    case CommandLineError::Kind::BadValue:
        break;
    }
    return error.what;
}

}  // namespace

std::string simUsage() {
    std::string text =
        "usage: quillfray-sim [options] [level files...]\n"
        "Loads base.vec, font.vec and default.lev (or the named level files) from the\n"
        "working directory (or --data DIR), exactly as the game does.\n\noptions:\n";
    const std::string indent(helpColumn, ' ');
    for (const OptionRow& row : optionTable()) {
        std::string left = "  " + std::string(row.name);
        if (!row.valueName.empty()) left += " " + std::string(row.valueName);
        if (left.size() < helpColumn) left.resize(helpColumn, ' ');
        else left += "\n" + indent;
        std::string help = row.help;
        for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
            help.insert(at + 1, indent);
        text += left + help + "\n";
    }
    text += "  --help" + std::string(helpColumn - 8, ' ') + "print this text\n";
    text += "  --version" + std::string(helpColumn - 11, ' ') + "print the version\n\n";
    text += runNotes;
    return text;
}

SimOptionsResult parseSimOptions(const std::vector<std::string_view>& args) {
    SimOptionsResult result;
    SimOptions& options = result.options;
    CommonOptions common;
    CLI::App parser;
    addCommonOptions(parser, common, StartOptions::RefuseClash);
    for (const OptionRow& row : optionTable()) {
        if (!row.apply) continue;
        addOption(parser, std::string(row.name), !row.valueName.empty(),
                  [&options, &row](const std::string& value) {
                      std::string error;
                      if (!row.apply(options, value, error)) refuseValue(error);
                      if (shapesTheRun(row.name)) options.framesGiven = true;
                  });
    }
    const std::optional<CommandLineError> error = parseCommandLine(parser, args);
    if (common.stop != CommonOptions::Stop::No) {
        result.outcome = common.stop == CommonOptions::Stop::Help
                             ? SimOptionsResult::Outcome::Help
                             : SimOptionsResult::Outcome::Version;
        return result;
    }
    if (error) {
        result.outcome = SimOptionsResult::Outcome::Error;
        result.error = wording(*error);
        return result;
    }
    options.levelFiles = common.levelFiles;
    options.dataDir = common.dataDir;
    options.startOption = common.startOption;
    options.startValue = common.startValue;
    if (!options.startOption.empty()) options.run = options.framesGiven = true;
    const SimOptions& o = result.options;
    if (o.home.empty() && (o.printRecords || !o.recordsJson.empty() || !o.date.empty())) {
        result.outcome = SimOptionsResult::Outcome::Error;
        result.error = "--print-records, --records-json and --date go with --home";
    } else if (o.replay.empty() && (o.verify || o.force || !o.rerecord.empty())) {
        result.outcome = SimOptionsResult::Outcome::Error;
        result.error = "--verify, --force and --rerecord go with --replay";
    } else if (!o.replay.empty() && (o.framesGiven || !o.record.empty())) {
        result.outcome = SimOptionsResult::Outcome::Error;
        result.error = "--replay plays the recorded run: --frames, --screen, --ship, --seed, "
                       "--hold, --start-frame, --stage and --record do not go with it "
                       "(--rerecord writes a replay)";
    }
    return result;
}
