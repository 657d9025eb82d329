// What the tools share: how a tool starts, how it reads the numbers on its command line, and how
// it prints. Help prints and exits 0; a mistake on the command line is one line naming the tool
// and the flag, then exit 1, like every other failure of a tool, output that could not be
// written among them.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "universe/diagnostics.h"
#include "universe/printable.h"

namespace tools {

/// The first thing every tool does. Descriptors 0, 1 and 2 closed by the caller (2>&-) are
/// opened onto /dev/null, or the first files the tool opens would take their numbers, and its
/// messages would go into an image or a document. Writing to a reader that went away fails
/// with EPIPE instead of ending the tool with SIGPIPE, so that writeOutput can end quietly.
inline void beginTool() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number, which is fd, as those below it are open.
        if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) std::_Exit(1);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

/// Raised by a stop request (SIGINT, SIGTERM) once stops are armed; the render polls it.
inline std::atomic<bool> gStopRequested{false};
inline std::atomic<bool> gStopsArmed{false};
inline const char* gStoppingTool = "orv";

extern "C" inline void onStopSignal(int signal) {
    if (!gStopsArmed.load(std::memory_order_acquire)) {
        // Nothing is written yet that a stop would leave behind: end now, as a shell would.
        const char said[] = ": stopped\n";
        if (::write(STDERR_FILENO, gStoppingTool, std::strlen(gStoppingTool)) >= 0 &&
            ::write(STDERR_FILENO, said, sizeof said - 1) >= 0) {
        }
        ::_exit(130);
    }
    gStopRequested.store(true);
    std::signal(signal, SIG_DFL);  // a second request ends the process at once
}

/// SIGINT and SIGTERM end the tool with status 130 from here on, wherever it is: reading a
/// scene, setting nodes up, shading. Call armStops() before the tool starts work that must end
/// cleanly (its output opened, its folders made): a request then only raises gStopRequested.
inline void catchStops(const char* tool) {
    gStoppingTool = tool;
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

inline void armStops() {
    gStopsArmed.store(true, std::memory_order_release);
}

/// One line on stderr: "tool: message", its control characters written out.
inline void say(const char* tool, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", tool, host::printable(message).c_str());
}

/// "warning" or "error".
inline const char* severityWord(host::Severity severity) {
    return severity == host::Severity::Error ? "error" : "warning";
}

/// Prints what the diagnostics sink holds that it has not printed yet, a line each
/// ("tool: warning: ..."), and a line counting the reports past what the sink keeps. Called
/// after each stage, so that a warning shows before the work that follows it.
class DiagnosticsPrinter {
  public:
    explicit DiagnosticsPrinter(const char* tool) : tool_(tool) {}

    void print() {
        // Cleared since: what it holds now is all new.
        if (host::diagnostics().generation() != generation_) {
            generation_ = host::diagnostics().generation();
            printed_ = 0;
            unkeptPrinted_ = 0;
        }
        const std::vector<host::Diagnostic> entries = host::diagnostics().snapshot();
        for (size_t i = printed_; i < entries.size(); ++i)
            say(tool_, std::string(severityWord(entries[i].severity)) + ": " +
                           host::diagnosticText(entries[i]));
        printed_ = std::max(printed_, entries.size());
        const uint64_t unkept = host::diagnostics().counts().unkept;
        if (unkept > unkeptPrinted_)
            say(tool_, "warning: " + std::to_string(unkept - unkeptPrinted_) +
                           " more warnings, past the " +
                           std::to_string(host::Diagnostics::kMaxKept) + " kept");
        unkeptPrinted_ = unkept;
    }

  private:
    const char* tool_;
    uint32_t generation_ = host::diagnostics().generation();
    size_t printed_ = 0;
    uint64_t unkeptPrinted_ = 0;
};

/// Writes `text` to standard output whole and gives the tool's exit status. 0 when it was
/// written, and also when the reader went away before reading it all (a pipe into head): the
/// tool ends quietly then, as Unix tools do. 1, after a line saying why, when it could not be
/// written: a full disk, a closed or read-only file.
inline int writeOutput(const char* tool, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EPIPE) return 0;
        if (n <= 0) {
            say(tool, std::string("cannot write the output: ") +
                          (n < 0 ? std::strerror(errno) : "write error"));
            return 1;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

/// The name a flag is known by in messages: its long name ("-s,--spp": "--spp").
inline std::string flagName(const std::string& flags) {
    std::string first;
    for (size_t start = 0; start <= flags.size();) {
        size_t end = flags.find(',', start);
        if (end == std::string::npos) end = flags.size();
        const std::string name = flags.substr(start, end - start);
        if (name.rfind("--", 0) == 0) return name;
        if (first.empty()) first = name;
        start = end + 1;
    }
    return first;
}

/// Reads a whole number the one way every flag takes them: decimal digits, with a '-' before
/// them for a negative one, leading zeros meaning nothing; no base prefix, no '+', no wrap.
/// Throws CLI::ValidationError naming `flag` unless it is from `lowest` to `highest`.
inline long long readInteger(const std::string& flag, const std::string& text, long long lowest,
                             long long highest) {
    const bool negative = text.rfind('-', 0) == 0;
    size_t i = negative ? 1 : 0;
    bool valid = i < text.size() && text.find_first_not_of("0123456789", i) == std::string::npos;
    while (i + 1 < text.size() && text[i] == '0') ++i;
    // Past 18 digits the number is beyond any flag's range; below, no long long overflows.
    valid = valid && text.size() - i <= 18;
    long long value = 0;
    for (; valid && i < text.size(); ++i) value = value * 10 + (text[i] - '0');
    if (negative) value = -value;
    if (!(valid && value >= lowest && value <= highest))
        throw CLI::ValidationError(
            flag, "'" + host::printable(text) + "': expected a whole number from " +
                      std::to_string(lowest) + " to " + std::to_string(highest));
    return value;
}

/// Reads a number the one way every flag takes them: decimal, with an optional '-', fraction and
/// exponent (-1.5, .5, 2e-3); no hexadecimal, no '+', no nan or inf, and within a 32-bit float.
/// Throws CLI::ValidationError naming `flag` otherwise.
inline float readFloat(const std::string& flag, const std::string& text) {
    size_t i = text.rfind('-', 0) == 0 ? 1 : 0;
    const auto digitsAt = [&](size_t& at) {
        const size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        return at - from;
    };
    size_t mantissa = digitsAt(i);
    if (i < text.size() && text[i] == '.') mantissa += digitsAt(++i);
    bool valid = mantissa > 0;
    if (valid && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        valid = digitsAt(i) > 0;
    }
    valid = valid && i == text.size();
    const std::string shown = "'" + host::printable(text) + "'";
    if (!valid) {
        std::string lower;
        for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool notFinite =
            lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos;
        throw CLI::ValidationError(flag, shown +
                                             (notFinite ? " is not finite: expected"
                                                        : " is not a decimal number: expected") +
                                             " a number such as -1.5 or 2e-3");
    }
    const double value = std::strtod(text.c_str(), nullptr);
    if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
        throw CLI::ValidationError(flag, shown +
                                             " is not finite as a 32-bit float: expected at "
                                             "most 3.4e38 either way");
    return static_cast<float>(value);
}

/// Adds an integer flag whose value must be from `lowest` to `highest`.
inline CLI::Option* addIntegerOption(CLI::App& app, const std::string& flags, int& into, int lowest,
                                     int highest, const std::string& description) {
    const std::string flag = flagName(flags);
    return app
        .add_option_function<std::string>(
            flags,
            [&into, flag, lowest, highest](const std::string& text) {
                into = static_cast<int>(readInteger(flag, text, lowest, highest));
            },
            description)
        ->type_name("N");
}

/// Adds a flag taking `count` integers (or, with `atMost`, count to atMost of them) separated
/// by `delimiter` or given as separate words, each from `lowest` to `highest`.
inline CLI::Option* addIntegersOption(CLI::App& app, const std::string& flags,
                                      std::vector<int>& into, int count, char delimiter, int lowest,
                                      int highest, const std::string& description) {
    const std::string flag = flagName(flags);
    return app
        .add_option_function<std::vector<std::string>>(
            flags,
            [&into, flag, lowest, highest](const std::vector<std::string>& words) {
                into.clear();
                for (const std::string& word : words)
                    into.push_back(static_cast<int>(readInteger(flag, word, lowest, highest)));
            },
            description)
        ->expected(count)
        ->delimiter(delimiter);
}

/// Adds a flag taking `least` to `most` numbers separated by ',' or given as separate words.
inline CLI::Option* addFloatsOption(CLI::App& app, const std::string& flags,
                                    std::vector<float>& into, int least, int most,
                                    const std::string& description) {
    const std::string flag = flagName(flags);
    return app
        .add_option_function<std::vector<std::string>>(
            flags,
            [&into, flag](const std::vector<std::string>& words) {
                into.clear();
                for (const std::string& word : words) into.push_back(readFloat(flag, word));
            },
            description)
        ->expected(least, most)
        ->delimiter(',');
}

/// An image or grid size, WIDTHxHEIGHT on the command line; zero when not given.
using Resolution = std::pair<int, int>;

/// Adds a WIDTHxHEIGHT option whose sides must each be 1 to `largest`.
inline CLI::Option* addResolutionOption(CLI::App& app, const std::string& flags, Resolution& size,
                                        int largest, const std::string& description) {
    const std::string flag = flagName(flags);
    return app
        .add_option_function<std::vector<std::string>>(
            flags,
            [&size, flag, largest](const std::vector<std::string>& sides) {
                size = {static_cast<int>(readInteger(flag, sides.at(0), 1, largest)),
                        static_cast<int>(readInteger(flag, sides.at(1), 1, largest))};
            },
            description)
        ->expected(2)
        ->delimiter('x')
        ->type_name("WxH");
}

/// Adds a flag naming a file or a node, which may not be empty.
inline CLI::Option* addNameOption(CLI::App& app, const std::string& flags, std::string& into,
                                  const std::string& description) {
    const std::string flag = flagName(flags);
    return app
        .add_option_function<std::string>(
            flags,
            [&into, flag](const std::string& text) {
                if (text.empty()) throw CLI::ValidationError(flag, "is empty: expected a name");
                into = text;
            },
            description)
        ->type_name("TEXT");
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
        say(tool, std::string(error.what()) + "; see " + tool + " --help");
        return 1;
    }
}

}  // namespace tools
