#include "radio/station_parameters.h"

#include <sstream>

void declareStationParameters(ParamList* params) {
    declareParam(params, kStationInput);
    // Runs once per node type, so the stream's allocations are of no concern. The renderer
    // copies each name as it is declared.
    std::ostringstream name;
    for (const StationSlotKind& kind : kStationSlotKinds) {
        for (int i = 0; i < kStationSlots; ++i) {
            name.str("");
            name << kind.plural << i;
            declareParam(params, kind.value, name.str().c_str());
        }
        for (int i = 0; i < kStationSlots; ++i) {
            name.str("");
            name << kind.singular << i << "Freq";
            declareParam(params, kStationFrequency, name.str().c_str());
        }
    }
}

namespace station_parameters_detail {
int slotKindNotInTable() {
    return -1;
}
}  // namespace station_parameters_detail
