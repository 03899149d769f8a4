// The command line of every program, parsed by CLI11: the shared options, each program's
// own options as callbacks run in command-line order, and CLI11's errors told as ours.
#include "app/command_line.h"

#include "app/app.h"
#include "core/version.h"
#include "defs/defs.h"

#include <algorithm>
#include <utility>

namespace {

// Thrown by --help and --version: the reading ends there, without an error.
struct StopReading {};

// Notes --start-frame or --stage and its value: both given are refused or noted as the
// program asks; a value that is not a whole number is a wrong command line.
void noteStart(CommonOptions& common, StartOptions start, const std::string& option,
               const std::string& value) {
    if (!common.startOption.empty() && common.startOption != option) {
        const std::string clash = "--start-frame and --stage do not go together";
        if (start == StartOptions::RefuseClash) refuseValue(clash);
        common.startProblem = clash;
    }
    if (std::string why = startValueProblem(option, value); !why.empty())
        refuseValue(std::move(why), true);
    common.startOption = option;
    common.startValue = value;
}

}  // namespace

void addCommonOptions(CLI::App& app, CommonOptions& common, StartOptions start,
                      const std::string& helpNames) {
    app.set_help_flag();
    app.add_option("levelFiles", common.levelFiles);
    addOption(app, "--data", true, [&common](const std::string& dir) {
        if (const std::string why = dataDirProblem(dir); !why.empty())
            refuseValue("--data " + dir + ": " + why);
        common.dataDir = dir;
    });
    if (start != StartOptions::None) {
        for (const std::string option : {"--start-frame", "--stage"})
            addOption(app, option, true, [&common, start, option](const std::string& value) {
                noteStart(common, start, option, value);
            });
    }
    const auto stopWith = [&common](CommonOptions::Stop stop) {
        return [&common, stop](const std::string&) {
            common.stop = stop;
            throw StopReading{};
        };
    };
    addOption(app, helpNames, false, stopWith(CommonOptions::Stop::Help));
    addOption(app, "--version", false, stopWith(CommonOptions::Stop::Version));
}

void addOption(CLI::App& app, const std::string& name, bool takesValue,
               std::function<void(const std::string& value)> apply) {
    CLI::Option* option = app.add_option(
        name,
        [name, takesValue, apply = std::move(apply)](const CLI::results_t& results) {
            // A flag given as --name=VALUE reads VALUE; a bare one reads "true".
            if (!takesValue && results.front() != "true")
                throw CommandLineError{CommandLineError::Kind::TakesNoValue,
                                       name.substr(name.rfind(',') + 1)};
            apply(takesValue ? results.front() : std::string());
            return true;
        });
    option->expected(takesValue ? 1 : 0);
    option->trigger_on_parse();
}

void refuseValue(std::string why, bool showUsage) {
    throw CommandLineError{CommandLineError::Kind::BadValue, std::move(why), showUsage};
}

std::optional<CommandLineError> parseCommandLine(CLI::App& app,
                                                 std::span<const std::string_view> args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(std::move(reversed));
    } catch (const StopReading&) {
    } catch (const CommandLineError& error) {
        return error;
    } catch (const CLI::ExtrasError&) {
        // Arguments CLI11 kept back: options it does not know, and the "--" it read.
        const std::vector<std::string> left = app.remaining();
        const auto unknown = std::find_if(left.begin(), left.end(),
                                          [](const std::string& arg) { return arg != "--"; });
        return CommandLineError{CommandLineError::Kind::UnknownOption,
                                unknown == left.end() ? std::string() : *unknown};
    } catch (const CLI::ArgumentMismatch& error) {
        // The last option had no value left to take: CLI11 says "NAME: ...".
        const std::string text = error.what();
        return CommandLineError{CommandLineError::Kind::NeedsValue, text.substr(0, text.find(':'))};
    } catch (const CLI::ParseError& error) {
        return CommandLineError{CommandLineError::Kind::BadValue, error.what()};
    }
    return std::nullopt;
}

std::string versionLine(std::string_view program) {
    return std::string(program) + " " + std::string(gameVersion) + "\n";
}
