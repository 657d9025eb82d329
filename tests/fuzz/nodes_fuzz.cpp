// The library's node types under hostile parameters, driven as a render drives them. The input
// picks a small network of the eight types (with the host's "state" node to feed per-sample
// values), sets every parameter of every node (NaN, infinities, huge and negative numbers, modes,
// frequencies, shapes and counts out of range) or links it to another node, puts the network on
// two objects, in the background and, for blockers, among the filters of host lights, runs the
// lifecycle and evaluates every node at points and directions from the input; then changes some
// parameters, updates and evaluates again. Beyond not crashing, hanging or leaking: in a tame
// case (finite numbers, none so large that a product of two overflows; see FuzzBytes) no node of
// the network returns a NaN. The host's lambert surface that gathers the filtered light is
// evaluated but not held to that, since its products of colours, intensities and inverse squared
// distances still overflow to infinity and on to NaN (0 x inf); for the same reason it shades no
// object that the network's rays could hit. Nor is a case where a blocker feeds a parameter: a
// light filter writes no output, but each read of that parameter filters the sample's light once
// more, and a few such reads overflow it. Nor one where an integer-valued node shades an object
// or the background: the host hands a traced ray that shader's result read as a colour, whatever
// its type, and an integer's bits may read as a NaN.
//
// Kept out for now: "environment" user parameters (an environment network that reaches its own
// trace node nests evaluations without bound).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "builtin/host_node_types.h"
#include "fuzz_bytes.h"
#include "render/world_builder.h"
#include "shading/network.h"
#include "shading/sample_state.h"
#include "universe/plugin_loader.h"

namespace {

using fuzz::FuzzBytes;
using host::ParamValue;

constexpr const char* kNetworkTypes[] = {
    "orv_radio_station", "orv_radio_color",   "orv_radio_scalar",
    "orv_radio_integer", "orv_radio_boolean", "orv_radio_vector",
    "orv_trace",         "orv_blocker",       "state",
};
constexpr int kNetworkTypeCount = sizeof(kNetworkTypes) / sizeof(kNetworkTypes[0]);

// Bounds that keep one case fast, not ones the nodes need: a linked parameter runs its source
// on every read, so networks cost the product of their fan-outs; a glossy trace casts `samples`
// rays (halved per bounce), each shading a network that may trace again.
constexpr int kMaxNodes = 6;
constexpr int kMaxLinks = 10;
constexpr int32_t kMaxSamples = 8;
constexpr int kMaxRayDepth = 2;
constexpr int kMaxPoints = 3;

Vector drawVector(FuzzBytes& in) {
    Vector v;
    v.x = in.number();
    v.y = in.number();
    v.z = in.number();
    return v;
}

RGB drawColor(FuzzBytes& in) {
    RGB c;
    c.r = in.number();
    c.g = in.number();
    c.b = in.number();
    return c;
}

ParamValue drawValue(FuzzBytes& in, const host::ParamDecl& decl) {
    switch (decl.defaultValue.type) {
        case kTypeBoolean:
            return ParamValue::makeBool(in.flag());
        case kTypeInt: {
            int32_t v = in.integer();
            if (decl.name == "samples" && v > kMaxSamples) v %= kMaxSamples + 1;
            return ParamValue::makeInt(v);
        }
        case kTypeFloat:
            return ParamValue::makeFloat(in.number());
        case kTypeRGB: {
            const RGB c = drawColor(in);
            return ParamValue::makeRGB(c.r, c.g, c.b);
        }
        case kTypeRGBA: {
            const RGB c = drawColor(in);
            return ParamValue::makeRGBA(c.r, c.g, c.b, in.number());
        }
        case kTypeVector: {
            const Vector v = drawVector(in);
            return ParamValue::makeVector(v.x, v.y, v.z);
        }
        default:
            return decl.defaultValue;
    }
}

struct Wiring {
    int links = 0;
    bool filterFeedsInput = false;  ///< some parameter is linked to a blocker
};

/// Sets every parameter of network[i], or links it to a later node (so links never close a
/// cycle) whose output fits.
void setParameters(FuzzBytes& in, host::Universe& universe, const std::vector<Node*>& network,
                   size_t i, Wiring* wiring) {
    Node* node = network[i];
    const std::vector<host::ParamDecl>& params = node->type->params;
    for (const host::ParamDecl& decl : params) {
        if (in.below(8) == 0 && wiring->links < kMaxLinks && i + 1 < network.size()) {
            Node* source = network[i + 1 + in.below(static_cast<int>(network.size() - i - 1))];
            if (host::canConvert(source->type->outputType, decl.defaultValue.type)) {
                universe.link(node, decl.name, source);
                ++wiring->links;
                wiring->filterFeedsInput |= source->type->name == "orv_blocker";
                continue;
            }
        }
        universe.setParam(node, decl.name, drawValue(in, decl));
    }
}

void setNode(host::Universe& universe, Node* node, const char* param, Node* value) {
    universe.setParam(node, param, ParamValue::makeNode(value));
}

/// A node of the network, or none when the draw lands past its end.
Node* pick(FuzzBytes& in, const std::vector<Node*>& network, int extra) {
    const int at = in.below(static_cast<int>(network.size()) + extra);
    return at < static_cast<int>(network.size()) ? network[at] : nullptr;
}

struct Point {
    ShaderGlobals sg;
    uint8_t thread;
    host::SampleOrigin origin;
};

Point drawPoint(FuzzBytes& in, const host::Scene& scene) {
    Point p{host::blankShaderGlobals(), 0, {}};
    p.sg.point = drawVector(in);
    p.sg.normal = drawVector(in);
    p.sg.geometricNormal = in.flag() ? drawVector(in) : p.sg.normal;
    p.sg.alternateNormal = in.flag() ? drawVector(in) : p.sg.normal;
    p.sg.rayDirection = drawVector(in);
    p.sg.lightIntensity = drawColor(in);
    const int object = in.below(static_cast<int>(scene.objects.size()) + 1);
    p.sg.object = object < static_cast<int>(scene.objects.size()) ? scene.objects[object] : nullptr;
    p.thread = in.byte();
    p.origin.pixelX = in.byte();
    p.origin.pixelY = in.byte();
    p.origin.sampleIndex = in.byte();
    return p;
}

bool isNaN(float v) {
    return v != v;
}

/// The NaN a node returned, by its output type (a light filter's in its light intensity).
bool returnedNaN(const Node* node, const ShaderGlobals& sg, bool lightFilter) {
    if (lightFilter)
        return isNaN(sg.lightIntensity.r) || isNaN(sg.lightIntensity.g) ||
               isNaN(sg.lightIntensity.b);
    switch (node->type->outputType) {
        case kTypeFloat:
            return isNaN(sg.out.flt);
        case kTypeRGB:
        case kTypeRGBA:
            return isNaN(sg.out.rgb.r) || isNaN(sg.out.rgb.g) || isNaN(sg.out.rgb.b);
        case kTypeVector:
            return isNaN(sg.out.vec.x) || isNaN(sg.out.vec.y) || isNaN(sg.out.vec.z);
        default:
            return false;
    }
}

void evaluateAll(const std::vector<Node*>& roots, const Node* unchecked,
                 const std::vector<Point>& points, const host::RenderWorld& world, bool checkNaN) {
    std::map<uint8_t, std::unique_ptr<host::ThreadContext>> threads;
    for (const Point& point : points) {
        auto& thread = threads[point.thread];
        if (!thread) thread = std::make_unique<host::ThreadContext>(point.thread);
        for (Node* root : roots) {
            const bool lightFilter = root->type->name == "orv_blocker";
            ShaderGlobals sg = point.sg;
            host::SampleScope scope(*thread, sg, &world.world, 0, point.origin);
            host::evaluateNode(root, &sg);
            if (checkNaN && root != unchecked && returnedNaN(root, sg, lightFilter)) {
                std::fprintf(stderr, "node '%s' (%s) gave a NaN in a tame case\n",
                             root->name.c_str(), root->type->name.c_str());
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzBytes in(data, size);
    host::Scene scene;
    scene.path = "fuzz";
    scene.universe = std::make_unique<host::Universe>();
    host::Universe& universe = *scene.universe;
    host::registerHostNodeTypes(universe.registry());
    universe.loadPlugin(host::defaultPluginPath());

    std::vector<Node*> network;
    const int count = 1 + in.below(kMaxNodes);
    for (int i = 0; i < count; ++i)
        network.push_back(universe.createNode(kNetworkTypes[in.below(kNetworkTypeCount)],
                                              "n" + std::to_string(i)));
    Wiring wiring;
    for (size_t i = 0; i < network.size(); ++i) setParameters(in, universe, network, i, &wiring);
    bool checkNaN = in.tame() && !wiring.filterFeedsInput;

    // A host surface lit by the lights, so that blockers filter real light samples.
    Node* lit = universe.createNode("lambert", "lit");
    if (Node* source = pick(in, network, 1);
        source && host::canConvert(source->type->outputType, kTypeRGB))
        universe.link(lit, "color", source);

    Node* ball = universe.createNode("sphere", "ball");
    Node* floor = universe.createNode("plane", "floor");
    universe.setParam(floor, "translate", ParamValue::makeVector(0, -1, 0));
    universe.setParam(floor, "size", ParamValue::makeFloat(20));
    for (Node* object : {ball, floor}) {
        Node* shader = pick(in, network, 1);
        setNode(universe, object, "shader", shader);
        checkNaN &= !shader || shader->type->outputType != kTypeInt;
        scene.objects.push_back(object);
    }

    const int lights = in.below(3);
    for (int i = 0; i < lights; ++i) {
        Node* light =
            universe.createNode(in.flag() ? "spot_light" : "point_light", "l" + std::to_string(i));
        for (const host::ParamDecl& decl : light->type->params)
            universe.setParam(light, decl.name, drawValue(in, decl));
        host::SceneLight entry{light, {}};
        for (Node* node : network)
            if (node->type->name == "orv_blocker" && in.flag()) entry.filters.push_back(node);
        scene.lights.push_back(entry);
    }

    Node* options = universe.options();
    universe.setParam(options, "threads", ParamValue::makeInt(in.integer()));
    universe.setParam(options, "rayDepth", ParamValue::makeInt(in.below(kMaxRayDepth + 1)));
    Node* backgroundShader = pick(in, network, 1);
    setNode(universe, options, "background", backgroundShader);
    checkNaN &= !backgroundShader || backgroundShader->type->outputType != kTypeInt;
    const RGB background = drawColor(in);
    universe.setParam(options, "backgroundColor",
                      ParamValue::makeRGB(background.r, background.g, background.b));

    std::vector<Point> points;
    const int pointCount = 1 + in.below(kMaxPoints);
    for (int i = 0; i < pointCount; ++i) points.push_back(drawPoint(in, scene));

    std::vector<Node*> roots = network;
    roots.push_back(lit);
    const std::unique_ptr<host::RenderWorld> world = host::buildWorld(scene);
    universe.prepare();
    evaluateAll(roots, lit, points, *world, checkNaN);

    // Change some parameters as an interactive session would, and render again.
    if (in.flag()) {
        const int changes = 1 + in.below(4);
        for (int i = 0; i < changes; ++i) {
            Node* node = network[in.below(static_cast<int>(network.size()))];
            const auto& params = node->type->params;
            const host::ParamDecl& decl = params[in.below(static_cast<int>(params.size()))];
            universe.setParam(node, decl.name, drawValue(in, decl));
        }
        universe.prepare();
        evaluateAll(roots, lit, points, *world, checkNaN);
    }
    return 0;
}
