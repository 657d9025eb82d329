// ChannelRecord operations and the channel name table.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>

#include "radio/channel_record.h"

using namespace orv;

namespace {

TEST(ChannelRecord, FreshRecordCarriesNothingWhateverItsBytes) {
    alignas(ChannelRecord) unsigned char memory[sizeof(ChannelRecord)];
    std::memset(memory, 0xFF, sizeof memory);
    const ChannelRecord* r = new (memory) ChannelRecord;
    EXPECT_EQ(r->hasColor, 0);
    EXPECT_EQ(r->hasScalar, 0);
    EXPECT_EQ(r->hasInteger, 0);
    EXPECT_EQ(r->hasBoolean, 0);
    EXPECT_EQ(r->hasVector, 0);
}

TEST(ChannelRecord, KindsAreSetIndependently) {
    ChannelRecord r;
    r.setColor(RGBA{0.1f, 0.2f, 0.3f, 0.4f});
    r.setScalar(2.5f);
    EXPECT_EQ(r.hasColor, 1);
    EXPECT_EQ(r.hasScalar, 1);
    EXPECT_EQ(r.hasInteger, 0);
    EXPECT_EQ(r.hasBoolean, 0);
    EXPECT_EQ(r.hasVector, 0);
    EXPECT_EQ(r.color.a, 0.4f);
    EXPECT_EQ(r.scalar, 2.5f);

    r.setScalar(-1.0f);
    EXPECT_EQ(r.scalar, -1.0f);
    EXPECT_EQ(r.color.r, 0.1f);  // the colour is untouched by the second float

    r.setBoolean(true);
    r.setVector(Vector{1, 2, 3});
    EXPECT_EQ(r.hasBoolean, 1);
    EXPECT_EQ(r.boolean, 1);
    EXPECT_EQ(r.vector.z, 3.0f);
    r.setBoolean(false);
    EXPECT_EQ(r.hasBoolean, 1);
    EXPECT_EQ(r.boolean, 0);
}

TEST(ChannelRecord, ClearWithdrawsKindsButKeepsTheirBytes) {
    ChannelRecord r;
    r.setInteger(7);
    r.clear();
    EXPECT_EQ(r.hasInteger, 0);
    EXPECT_EQ(r.integer, 7);
    r.setInteger(9);
    EXPECT_EQ(r.hasInteger, 1);
    EXPECT_EQ(r.integer, 9);
}

TEST(ChannelRecord, CopyingASavedClearRecordWithdrawsAllKinds) {
    ChannelRecord saved;
    ChannelRecord live;
    live.setColor(RGBA{1, 0, 0, 1});
    live.setScalar(1);
    live.setInteger(1);
    live.setBoolean(true);
    live.setVector(Vector{1, 1, 1});
    live = saved;
    EXPECT_EQ(live.hasColor | live.hasScalar | live.hasInteger | live.hasBoolean | live.hasVector,
              0);

    // A copy carries flags and values as they stand, cleared values included.
    ChannelRecord source;
    source.setInteger(42);
    source.setVector(Vector{4, 5, 6});
    source.clear();
    source.setColor(RGBA{0.5f, 0.25f, 0.125f, 0.0625f});
    ChannelRecord copy = source;
    EXPECT_EQ(copy.hasColor, 1);
    EXPECT_EQ(copy.hasInteger, 0);
    EXPECT_EQ(copy.integer, 42);
    EXPECT_EQ(std::memcmp(&copy.color, &source.color, sizeof(RGBA)), 0);
    EXPECT_EQ(std::memcmp(&copy.vector, &source.vector, sizeof(Vector)), 0);
}

TEST(ChannelNames, RunOneBelowTheFrequency) {
    const char* expected[] = {"CF0", "CF1", "CF2", "CF3", "CF4", "CF5", "CF6", "CF7", "CF8", "CF9"};
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_STREQ(channelNames[c], expected[c]);
        EXPECT_EQ(channelName(c + 1), channelNames[c]);
    }
    EXPECT_STREQ(channelName(1), "CF0");
    EXPECT_STREQ(channelName(10), "CF9");
}

TEST(ChannelNames, FrequenciesOutsideOneToTenNameNoChannel) {
    for (int f : {0, -1, -10, 11, 100, INT_MIN, INT_MAX}) {
        EXPECT_FALSE(isChannelFrequency(f)) << f;
        EXPECT_EQ(channelName(f), nullptr) << f;
    }
}

}  // namespace
