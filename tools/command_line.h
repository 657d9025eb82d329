// Command-line handling shared by the tools. Help prints and exits 0; a mistake on the command
// line is one line naming the tool, then exit 1, like every other failure of a tool, output
// that could not be written among them.
#pragma once

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

namespace tools {

/// An image or grid size, WIDTHxHEIGHT on the command line; zero when not given.
using Resolution = std::pair<int, int>;

/// Adds a WIDTHxHEIGHT option whose sides must each be 1 to `largest`.
inline CLI::Option* addResolutionOption(CLI::App& app, const std::string& flags, Resolution& size,
                                        int largest, const std::string& description) {
    return app.add_option(flags, size, description)
        ->delimiter('x')
        ->check(CLI::Range(1, largest))
        ->type_name("WxH");
}

/// Parses the command line into `app`'s options. Returns the exit status when the tool is to
/// stop at once (0 after help, 1 after a mistake, reported on stderr), or nothing to go on.
inline std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv, const char* tool) {
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
            return app.exit(error);  // --help
        std::fprintf(stderr, "%s: %s; see %s --help\n", tool, error.what(), tool);
        return 1;
    }
}

/// A reader that goes away, such as a pipe into head, makes further writes fail instead of
/// ending the tool with SIGPIPE, so that it is reported like any other failure to write.
inline void reportBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

/// Flushes standard output and tells whether all that was written to it arrived: without this,
/// results lost to a full disk or a closed file would still end in an exit status of 0. When
/// it did not, says so on stderr, naming the tool.
inline bool outputWritten(const char* tool) {
    // errno still holds the reason of the write that failed: nothing since sets it.
    std::cout.flush();
    const bool written = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written)
        std::fprintf(stderr, "%s: cannot write the output: %s\n", tool,
                     errno ? std::strerror(errno) : "write error");
    return written;
}

}  // namespace tools
