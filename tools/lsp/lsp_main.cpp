// quillfray-lsp: the language server for level and definition files, on stdin and stdout.
#include "app/command_line.h"
#include "tools/lsp/lsp.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The usage text.
constexpr std::string_view usage =
    "usage: quillfray-lsp [--data DIR]\n"
    "\n"
    "A language server for .lev and .vec files: an editor starts it and talks the\n"
    "Language Server Protocol with it on standard input and output. It reports what\n"
    "quillfray-check reports as the text is typed, completes command words,\n"
    "parameters, events and the names of models, scripts, ships and sounds, finds\n"
    "definitions and references, and gives an outline and the folds of blocks.\n"
    "\n"
    "base.vec and font.vec are read from the folder of each file, or from DIR with\n"
    "--data (or the client's initializationOptions {\"data\": DIR}).\n"
    "\n"
    "Options:\n"
    "  --data DIR   read base.vec and font.vec from DIR\n"
    "  --help       show this text\n"
    "  --version    print the version\n";

}  // namespace

// Parses the command line, then serves until the client says exit.
int main(int argc, char** argv) {
    CommonOptions common;
    CLI::App parser;
    addCommonOptions(parser, common, StartOptions::None, "-h,--help");
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (const std::optional<CommandLineError> error = parseCommandLine(parser, args)) {
        std::fprintf(stderr, "quillfray-lsp: %s\n%s", error->what.c_str(), usage.data());
        return 2;
    }
    if (common.stop == CommonOptions::Stop::Help) {
        std::fputs(usage.data(), stdout);
        return 0;
    }
    if (common.stop == CommonOptions::Stop::Version) {
        std::fputs(versionLine("quillfray-lsp").c_str(), stdout);
        return 0;
    }
    if (!common.levelFiles.empty()) {
        std::fprintf(stderr, "quillfray-lsp: takes no files\n%s", usage.data());
        return 2;
    }
    std::ios::sync_with_stdio(false);
    Server server;
    server.space.dataDir = common.dataDir;
    return serve(std::cin, std::cout, server);
}
