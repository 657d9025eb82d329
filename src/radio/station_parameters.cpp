#include "radio/station_parameters.h"

#include <sstream>

namespace {

enum class Kind { Color, Scalar, Integer, Boolean, Vector };

struct KindNames {
    Kind kind;
    const char* plural;    ///< value parameters: plural + slot
    const char* singular;  ///< frequency parameters: singular + slot + "Freq"
};

const KindNames kKinds[] = {{Kind::Color, "colors", "color"},
                            {Kind::Scalar, "scalars", "scalar"},
                            {Kind::Integer, "integers", "integer"},
                            {Kind::Boolean, "booleans", "boolean"},
                            {Kind::Vector, "vectors", "vector"}};

void declareValue(ParamList* params, Kind kind, const char* name) {
    switch (kind) {
        case Kind::Color:
            AiNodeParamRGBA(params, -1, name, 1.0f, 1.0f, 1.0f, 1.0f);
            break;
        case Kind::Scalar:
            AiNodeParamFlt(params, -1, name, 0.0f);
            break;
        case Kind::Integer:
            AiNodeParamInt(params, -1, name, 0);
            break;
        case Kind::Boolean:
            AiNodeParamBool(params, -1, name, false);
            break;
        case Kind::Vector:
            AiNodeParamVec(params, -1, name, 0.0f, 0.0f, 0.0f);
            break;
    }
}

}  // namespace

void declareStationParameters(ParamList* params) {
    AiNodeParamRGBA(params, -1, "color", 1.0f, 1.0f, 1.0f, 1.0f);
    // Runs once per node type, so the stream's allocations are of no concern. The renderer
    // copies each name as it is declared.
    std::ostringstream name;
    for (const KindNames& kind : kKinds) {
        for (int i = 0; i < kStationSlots; ++i) {
            name.str("");
            name << kind.plural << i;
            declareValue(params, kind.kind, name.str().c_str());
        }
        for (int i = 0; i < kStationSlots; ++i) {
            name.str("");
            name << kind.singular << i << "Freq";
            AiNodeParamInt(params, -1, name.str().c_str(), 0);
        }
    }
}
