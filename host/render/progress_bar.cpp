#include "render/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace host {

ProgressBar::ProgressBar(std::FILE* stream, bool enabled)
    : stream_(stream), enabled_(enabled), start_(std::chrono::steady_clock::now()) {}

void formatDuration(double seconds, char* text, size_t size) {
    const long s = std::lround(std::max(0.0, seconds));
    if (s >= 3600)
        std::snprintf(text, size, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, size, "%ld:%02ld", s / 60, s % 60);
}

void ProgressBar::update(int done, int total) {
    if (!enabled_ || total <= 0) return;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const int permille = static_cast<int>(1000.0 * done / total);
    const long second = static_cast<long>(elapsed);
    if (permille == lastPermille_ && second == lastSecond_) return;
    lastPermille_ = permille;
    lastSecond_ = second;

    constexpr int kWidth = 30;
    char bar[kWidth + 1];
    const int filled = std::min(kWidth, done * kWidth / total);
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = '\0';
    char spent[16], left[16] = "?";
    formatDuration(elapsed, spent, sizeof(spent));
    if (done > 0) formatDuration(elapsed * (total - done) / done, left, sizeof(left));
    std::fprintf(stream_, "\r[%s] %5.1f%%  %d/%d buckets  %s elapsed, %s left \033[K", bar,
                 permille / 10.0, done, total, spent, left);
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (!drawn_) return;
    std::fprintf(stream_, "\r\033[K");
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace host
