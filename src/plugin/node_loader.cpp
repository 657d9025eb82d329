// The plug-in's one exported entry: the registry of its node types.
#include <cstring>

#include "plugin/nodes.h"
#include "plugin/renderer.h"

namespace orv {
namespace {

struct NodeTypeRow {
    const char* name;
    uint8_t outputType;
    const NodeMethods* methods;
};

// The index of a row is part of the plug-in's interface: renderers ask by index.
const NodeTypeRow kNodeTypes[] = {
    {"orv_blocker", kTypeRGB, &kBlockerMethods},
    {"orv_trace", kTypeRGB, &kTraceMethods},
    {"orv_radio_station", kTypeRGB, &kRadioStationMethods},
    {"orv_radio_color", kTypeRGB, &kRadioColorMethods},
    {"orv_radio_scalar", kTypeFloat, &kRadioScalarMethods},
    {"orv_radio_integer", kTypeInt, &kRadioIntegerMethods},
    {"orv_radio_boolean", kTypeBoolean, &kRadioBooleanMethods},
    {"orv_radio_vector", kTypeVector, &kRadioVectorMethods},
};

constexpr unsigned kNodeTypeCount = sizeof(kNodeTypes) / sizeof(kNodeTypes[0]);

}  // namespace
}  // namespace orv

/// Describes node type `index`. The version is written for every index, also refused ones; an
/// index past the last type (or any negative one) answers false and writes nothing else.
extern "C" __attribute__((visibility("default"))) bool NodeLoader(int index,
                                                                  NodeDescriptor* descriptor) {
    std::memcpy(descriptor->version, kRendererVersion, sizeof(kRendererVersion));
    if (static_cast<unsigned>(index) >= orv::kNodeTypeCount) return false;
    const orv::NodeTypeRow& row = orv::kNodeTypes[index];
    descriptor->methods = row.methods;
    descriptor->outputType = row.outputType;
    descriptor->name = row.name;
    descriptor->nodeKind = kNodeShader;
    return true;
}
