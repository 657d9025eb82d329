// The diagnostics sink: once per key with a count, bounded, cleared between renders, and safe
// from many threads at once (run under the tsan preset).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "universe/diagnostics.h"

namespace {

TEST(Diagnostics, OneEntryPerKeyCountedAndBounded) {
    host::Diagnostics sink;
    host::Where where;
    where.node = "ball";
    where.pixelX = 3;
    sink.report(host::Severity::Warning, "zero size", where, "first");
    sink.report(host::Severity::Warning, "zero size", host::Where{}, "second");
    sink.report(host::Severity::Error, "other", host::Where{}, std::string(5000, 'x'));
    auto given = sink.snapshot();
    ASSERT_EQ(given.size(), 2u);
    // The first report of a key is the one kept; the others are counted.
    EXPECT_EQ(given[0].message, "first");
    EXPECT_EQ(given[0].node, "ball");
    EXPECT_EQ(given[0].pixelX, 3);
    EXPECT_EQ(given[0].count, 2u);
    EXPECT_EQ(host::diagnosticText(given[0]), "first (and 1 more like it)");
    EXPECT_EQ(given[1].message.size(), host::Diagnostics::kMaxText);
    for (int i = 0; i < 100; ++i)
        sink.report(host::Severity::Warning, "key " + std::to_string(i), host::Where{}, "m");
    EXPECT_EQ(sink.snapshot().size(), host::Diagnostics::kMaxKept);
    const host::Diagnostics::Counts counts = sink.counts();
    EXPECT_EQ(counts.warnings, 101u);
    EXPECT_EQ(counts.errors, 1u);
    EXPECT_EQ(counts.unkept, 52u);
    sink.clear();
    EXPECT_TRUE(sink.snapshot().empty());
    EXPECT_EQ(sink.counts().unkept, 0u);
}

TEST(Diagnostics, ReportOnceGivesOncePerGeneration) {
    host::ReportOnce site;
    EXPECT_TRUE(site.first());
    EXPECT_FALSE(site.first());
    host::diagnostics().clear();
    EXPECT_TRUE(site.first());
    const uint32_t held = site.silence();
    host::diagnostics().clear();
    site.silence();
    EXPECT_FALSE(site.first());
    site.restore(held);
    EXPECT_TRUE(site.first());
}

TEST(Diagnostics, ManyThreadsReportingLoseNothing) {
    host::Diagnostics sink;
    host::ReportOnce site;
    std::atomic<int> firsts{0};
    constexpr int kThreads = 8, kReports = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kReports; ++i) {
                sink.report(host::Severity::Warning, "shared", host::Where{}, "all");
                sink.report(host::Severity::Warning, "thread " + std::to_string(t), host::Where{},
                            "own");
                if (site.first()) ++firsts;
                if (i % 100 == 0) (void)sink.snapshot();
            }
        });
    for (std::thread& thread : threads) thread.join();
    const auto given = sink.snapshot();
    ASSERT_EQ(given.size(), 1u + kThreads);
    EXPECT_EQ(given[0].count, uint64_t(kThreads) * kReports);
    for (size_t i = 1; i < given.size(); ++i) EXPECT_EQ(given[i].count, uint64_t(kReports));
    EXPECT_EQ(firsts.load(), 1);
}

}  // namespace
