// RouteToChannels on records and snapshots made by hand.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "radio/station_slots.h"

using namespace orv;

namespace {

// Ten records with guards on both sides, and a snapshot with every slot off.
struct Fixture {
    ChannelRecord storage[kChannelCount + 2];
    ChannelRecord* records[kChannelCount];
    StationSnapshot setup;
    StationSnapshot values;

    Fixture() {
        std::memset(static_cast<void*>(storage), 0x5A, sizeof storage);
        for (ChannelRecord& r : storage) r.clear();
        for (int c = 0; c < kChannelCount; ++c) records[c] = &storage[c + 1];
        for (int i = 0; i < kStationSlots; ++i) {
            setup.colorFreqs[i] = setup.scalarFreqs[i] = setup.integerFreqs[i] = 0;
            setup.booleanFreqs[i] = setup.vectorFreqs[i] = 0;
            values.colors[i] = RGBA{0.1f * i, 0.2f, 0.3f, 0.5f};
            values.scalars[i] = 10.0f + i;
            values.integers[i] = 100 + i;
            values.booleans[i] = static_cast<uint8_t>(i % 2);
            values.vectors[i] = Vector{static_cast<float>(i), 0, 0};
        }
    }
    void route() { RouteToChannels(records, TunedSlots::of(setup), values); }
    bool anyFlag() const {
        for (const ChannelRecord& r : storage)
            if (r.hasColor | r.hasScalar | r.hasInteger | r.hasBoolean | r.hasVector) return true;
        return false;
    }
};

TEST(RouteToChannels, AllSlotsOffChangesNothing) {
    Fixture f;
    ChannelRecord before[kChannelCount + 2];
    std::memcpy(static_cast<void*>(before), f.storage, sizeof before);
    f.route();
    EXPECT_EQ(std::memcmp(before, f.storage, sizeof before), 0);
}

TEST(RouteToChannels, KindsOnOneChannelAreAllCarried) {
    Fixture f;
    f.setup.colorFreqs[0] = 1;
    f.setup.scalarFreqs[0] = 1;
    f.route();
    const ChannelRecord& r = *f.records[0];
    EXPECT_EQ(r.hasColor, 1);
    EXPECT_EQ(r.hasScalar, 1);
    EXPECT_EQ(r.hasInteger | r.hasBoolean | r.hasVector, 0);
    EXPECT_EQ(r.color.a, 0.5f);
    EXPECT_EQ(r.scalar, 10.0f);
}

TEST(RouteToChannels, HigherSlotOfOneKindWins) {
    Fixture f;
    f.setup.colorFreqs[2] = f.setup.colorFreqs[7] = 4;
    f.setup.vectorFreqs[1] = f.setup.vectorFreqs[8] = 2;
    f.route();
    EXPECT_FLOAT_EQ(f.records[3]->color.r, 0.7f);
    EXPECT_EQ(f.records[1]->vector.x, 8.0f);
}

TEST(RouteToChannels, BooleanSlotFiveOnFrequencyTen) {
    Fixture f;
    f.setup.booleanFreqs[5] = 10;
    f.route();
    EXPECT_EQ(f.records[9]->hasBoolean, 1);
    EXPECT_EQ(f.records[9]->boolean, 1);
    f.values.booleans[5] = 0;
    f.route();
    EXPECT_EQ(f.records[9]->boolean, 0);
}

TEST(RouteToChannels, FrequenciesOutsideOneToTenWriteNothing) {
    Fixture f;
    const int outside[] = {0, -2, 11, 12, INT_MAX, INT_MIN, -1, 1000, 0, 0};
    for (int i = 0; i < kStationSlots; ++i) {
        f.setup.colorFreqs[i] = f.setup.scalarFreqs[i] = outside[i];
        f.setup.integerFreqs[i] = f.setup.booleanFreqs[i] = f.setup.vectorFreqs[i] = outside[i];
    }
    ChannelRecord before[kChannelCount + 2];
    std::memcpy(static_cast<void*>(before), f.storage, sizeof before);
    f.route();
    EXPECT_FALSE(f.anyFlag());
    EXPECT_EQ(std::memcmp(before, f.storage, sizeof before), 0);
}

TEST(RouteToChannels, NeverClearsWhatAnEnclosingStationSet) {
    Fixture f;
    f.records[0]->setInteger(-5);
    f.setup.colorFreqs[3] = 1;
    f.setup.integerFreqs[4] = 2;
    f.route();
    EXPECT_EQ(f.records[0]->hasInteger, 1);
    EXPECT_EQ(f.records[0]->integer, -5);
    EXPECT_EQ(f.records[0]->hasColor, 1);
    EXPECT_EQ(f.records[1]->integer, 104);
    // The guards around the ten records are untouched.
    EXPECT_EQ(f.storage[0].hasColor | f.storage[0].hasInteger, 0);
    EXPECT_EQ(f.storage[kChannelCount + 1].hasColor | f.storage[kChannelCount + 1].hasInteger, 0);
}

}  // namespace
