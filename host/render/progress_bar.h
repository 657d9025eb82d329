// A one-line progress bar redrawn in place on a terminal.
#pragma once

#include <chrono>
#include <cstdio>

namespace host {

class ProgressBar {
  public:
    /// Draws on `stream` only when `enabled` (callers pass whether it is a terminal).
    ProgressBar(std::FILE* stream, bool enabled);
    /// Redraws when the shown percentage or the second changed.
    void update(int done, int total);
    /// Clears the line, leaving the terminal as before the bar.
    void finish();

  private:
    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
    int lastPermille_ = -1;
    long lastSecond_ = -1;
    std::chrono::steady_clock::time_point start_;
};

/// "0:07", "1:02:03".
void formatDuration(double seconds, char* text, size_t size);

}  // namespace host
