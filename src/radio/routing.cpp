#include "radio/routing.h"

void RouteToChannels(ChannelRecord* const (&records)[kChannelCount], const StationSnapshot& setup,
                     const StationSnapshot& values) {
    for (int i = 0; i < kStationSlots; ++i) {
        if (isChannelFrequency(setup.colorFreqs[i]))
            records[setup.colorFreqs[i] - 1]->setColor(values.colors[i]);
        if (isChannelFrequency(setup.scalarFreqs[i]))
            records[setup.scalarFreqs[i] - 1]->setScalar(values.scalars[i]);
        if (isChannelFrequency(setup.integerFreqs[i]))
            records[setup.integerFreqs[i] - 1]->setInteger(values.integers[i]);
        if (isChannelFrequency(setup.booleanFreqs[i]))
            records[setup.booleanFreqs[i] - 1]->setBoolean(values.booleans[i] != 0);
        if (isChannelFrequency(setup.vectorFreqs[i]))
            records[setup.vectorFreqs[i] - 1]->setVector(values.vectors[i]);
    }
}
