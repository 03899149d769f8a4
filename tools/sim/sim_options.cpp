// Command-line options of quillfray-sim: a table of options, so that new ones are one row.
#include "tools/sim/sim_options.h"

#include <functional>

namespace {

// One option: its spelling, the value it takes (empty: none), its help and its effect.
struct OptionRow {
    std::string_view name;
    std::string_view valueName;
    std::string_view help;
    std::function<bool(SimOptions&, std::string_view value, std::string& error)> apply;
};

// Every option the simulator knows, in the order the usage text lists them.
const std::vector<OptionRow>& optionTable() {
    static const std::vector<OptionRow> table = {
        {"--defs-json", "FILE", "write the loaded models, scripts, ships, timeline and font as JSON",
         [](SimOptions& o, std::string_view v, std::string&) {
             o.defsJson = std::string(v);
             return true;
         }},
    };
    return table;
}

// The table row spelled `name`, or null.
const OptionRow* findOption(std::string_view name) {
    for (const OptionRow& row : optionTable())
        if (row.name == name) return &row;
    return nullptr;
}

}  // namespace

// The usage text printed for --help and after errors.
std::string simUsage() {
    std::string text =
        "usage: quillfray-sim [options] [level files...]\n"
        "Loads base.vec, font.vec and default.lev (or the named level files) from the\n"
        "working directory, exactly as the game does.\n\noptions:\n";
    for (const OptionRow& row : optionTable()) {
        std::string left = "  " + std::string(row.name);
        if (!row.valueName.empty()) left += " " + std::string(row.valueName);
        if (left.size() < 22) left.resize(22, ' ');
        else left += "  ";
        text += left + std::string(row.help) + "\n";
    }
    text += "  --help              print this text\n";
    return text;
}

// Parses the arguments after the program name. "--" ends the options; "--name=value"
// and "--name value" are both accepted.
SimOptionsResult parseSimOptions(const std::vector<std::string_view>& args) {
    SimOptionsResult result;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
            result.options.levelFiles.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help") {
            result.outcome = SimOptionsResult::Outcome::Help;
            return result;
        }
        std::string_view name = arg;
        std::string_view value;
        bool hasValue = false;
        if (size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        const OptionRow* row = findOption(name);
        if (!row) {
            result.outcome = SimOptionsResult::Outcome::Error;
            result.error = "unknown option " + std::string(name);
            return result;
        }
        if (!row->valueName.empty() && !hasValue) {
            if (i + 1 >= args.size()) {
                result.outcome = SimOptionsResult::Outcome::Error;
                result.error = "option " + std::string(name) + " needs a value";
                return result;
            }
            value = args[++i];
        } else if (row->valueName.empty() && hasValue) {
            result.outcome = SimOptionsResult::Outcome::Error;
            result.error = "option " + std::string(name) + " takes no value";
            return result;
        }
        if (!row->apply(result.options, value, result.error)) {
            result.outcome = SimOptionsResult::Outcome::Error;
            return result;
        }
    }
    return result;
}
