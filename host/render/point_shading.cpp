#include "render/point_shading.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unordered_set>
#include <vector>

#include "render/explain_report.h"
#include "scene/param_literal.h"
#include "shading/sample_state.h"
#include "tracing/tracer.h"
#include "universe/diagnostics.h"
#include "universe/host_error.h"
#include "universe/value_types.h"

namespace host {

namespace {

using nlohmann::json;

/// Floats printed to 7 significant digits, so 0.8f reads 0.8 and not 0.800000011920929. JSON
/// has no number for infinity or NaN: they are the strings "inf", "-inf" and "nan".
json tidy(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[32];
    std::snprintf(text, sizeof(text), "%.7g", static_cast<double>(value));
    return std::strtod(text, nullptr);
}

json vec(const Vector& v) {
    return json::array({tidy(v.x), tidy(v.y), tidy(v.z)});
}
json rgb(const RGB& c) {
    return json::array({tidy(c.r), tidy(c.g), tidy(c.b)});
}

/// Whether `target` is in `from`'s network. Each node is walked once, without recursion: a
/// network may share nodes (a diamond of links has 2^depth paths) or be a chain of thousands.
/// `seen` holds the nodes of earlier walks that found nothing, which need no second look.
bool reaches(const Node* from, const Node* target, std::unordered_set<const Node*>& seen) {
    if (!from || !seen.insert(from).second) return false;
    std::vector<const Node*> pending{from};
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node == target) return true;
        for (const Node* source : node->links)
            if (source && seen.insert(source).second) pending.push_back(source);
    }
    return false;
}

}  // namespace

void completeShadingPoint(ShadingPoint& p) {
    if (!p.hasGeometricNormal) p.geometricNormal = p.normal;
    if (!p.hasAlternateNormal) p.alternateNormal = alternateNormal(p.normal, p.rayDirection);
}

std::vector<ShadingPoint> readShadingPoints(const json& points, const Scene& scene,
                                            const std::string& source) {
    if (!points.is_array())
        throw HostError(source + ": expected an array of points, found " + quoteJson(points));
    std::vector<ShadingPoint> read;
    for (size_t i = 0; i < points.size(); ++i) {
        const json& entry = points[i];
        const std::string where = source + ": point " + std::to_string(i);
        if (!entry.is_object())
            throw HostError(where + ": expected an object, found " + quoteJson(entry));
        ShadingPoint p;
        for (auto it = entry.begin(); it != entry.end(); ++it) {
            const std::string& key = it.key();
            ParamValue v;
            auto vector = [&](Vector* out) {
                if (!readParamLiteral(it.value(), kTypeVector, &v)) {
                    const std::string range = literalRangeProblem(it.value(), kTypeVector);
                    throw HostError(where + ": \"" + key +
                                    "\": " + (range.empty() ? "expected [x, y, z], found " : "") +
                                    quoteJson(it.value()) + (range.empty() ? "" : " " + range));
                }
                *out = v.vec;
            };
            if (key == "point") {
                vector(&p.point);
            } else if (key == "normal") {
                vector(&p.normal);
            } else if (key == "geometricNormal") {
                vector(&p.geometricNormal);
                p.hasGeometricNormal = true;
            } else if (key == "alternateNormal") {
                vector(&p.alternateNormal);
                p.hasAlternateNormal = true;
            } else if (key == "rayDirection") {
                vector(&p.rayDirection);
            } else if (key == "lightIntensity") {
                if (!readParamLiteral(it.value(), kTypeRGB, &v))
                    throw HostError(where +
                                    ": \"lightIntensity\": expected [r, g, b] or a "
                                    "number, found " +
                                    quoteJson(it.value()));
                p.lightIntensity = v.rgb;
            } else if (key == "object") {
                Node* object = it.value().is_string()
                                   ? scene.universe->findNode(it.value().get<std::string>())
                                   : nullptr;
                if (!object || object->type->kind != kNodeShape)
                    throw HostError(where +
                                    ": \"object\": expected the name of an object of "
                                    "the scene, found " +
                                    quoteJson(it.value()));
                p.object = object;
            } else {
                throw HostError(where + ": unknown key '" + key +
                                "'; a point has point, normal, geometricNormal, alternateNormal, "
                                "rayDirection, lightIntensity and object");
            }
        }
        read.push_back(p);
    }
    return read;
}

bool isLightFilter(const Scene& scene, const Node* node) {
    for (const SceneLight& light : scene.lights)
        for (const Node* filter : light.filters)
            if (filter == node) return true;
    return false;
}

Node* objectShadedBy(const Scene& scene, const Node* node) {
    std::unordered_set<const Node*> seen;
    for (Node* object : scene.objects) {
        const int shader = object->type->findParam("shader");
        if (shader >= 0 && reaches(object->values[shader].node, node, seen)) return object;
        for (const UserParamEntry& user : object->userParams)
            if (user.value.type == kTypeNode && reaches(user.value.node, node, seen)) return object;
    }
    return nullptr;
}

/// A warning as a point's record carries it: what is known of where, and a count past one.
nlohmann::ordered_json diagnosticJson(const Diagnostic& entry) {
    nlohmann::ordered_json warning = nlohmann::ordered_json::object();
    warning["severity"] = entry.severity == Severity::Error ? "error" : "warning";
    warning["message"] = entry.message;
    if (!entry.file.empty()) warning["file"] = entry.file;
    if (!entry.node.empty()) warning["node"] = entry.node;
    if (!entry.parameter.empty()) warning["parameter"] = entry.parameter;
    if (entry.count > 1) warning["count"] = entry.count;
    return warning;
}

json outputJson(const ShaderValue& out, uint8_t type) {
    // A slot holding a string, a node or a pointer is not followed: the node may have left
    // anything there.
    const ValueType& row = valueType(type);
    if (row.components == 0 || !row.toJson) return nullptr;
    return row.toJson(fromShaderValue(out, type), tidy);
}

void shadePoint(ThreadContext& thread, const RenderWorld& world, Node* node,
                const ShadingPoint& point, const SampleOrigin& origin, ShaderGlobals* sg) {
    ShadingPoint p = point;
    completeShadingPoint(p);
    *sg = surfaceGlobals(p.point, p.normal, p.geometricNormal, p.rayDirection, p.object);
    sg->alternateNormal = p.alternateNormal;
    sg->lightIntensity = p.lightIntensity;
    shadeSample(thread, *sg, &world.world, 0, origin, kRayCamera, node);
    sg->host = nullptr;  // the sample ends with the scope
}

nlohmann::ordered_json shadePoints(const RenderWorld& world, Node* node, bool asLightFilter,
                                   const std::vector<ShadingPoint>& points, int thread,
                                   bool explain) {
    ThreadContext context(static_cast<uint8_t>(thread));
    ExplainRecorder recorder;
    if (explain) context.explain = &recorder;
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (size_t i = 0; i < points.size(); ++i) {
        ShadingPoint p = points[i];
        completeShadingPoint(p);
        ShaderGlobals sg;
        recorder.clear();
        // Each point's warnings are its own: given again at every point that raises them.
        diagnostics().clear();
        // A fresh sample per point, told apart for the samplers as pixel (i, 0).
        shadePoint(context, world, node, p, SampleOrigin{static_cast<uint32_t>(i), 0, 0}, &sg);
        // The recorder stops rather than throw through the renderer calls; its tree is partial.
        if (explain && recorder.exhausted()) throw std::bad_alloc();

        nlohmann::ordered_json record = nlohmann::ordered_json::object();
        record["node"] = node->name;
        record["point"] = vec(p.point);
        record["normal"] = vec(p.normal);
        record["rayDirection"] = vec(p.rayDirection);
        record["object"] = p.object ? json(p.object->name) : json(nullptr);
        if (asLightFilter) {
            record["lightIntensity"] = rgb(p.lightIntensity);
            record["filteredIntensity"] = rgb(sg.lightIntensity);
        } else {
            record["type"] = typeName(node->type->outputType);
            record["output"] = outputJson(sg.out, node->type->outputType);
        }
        if (explain) record["explain"] = explainJson(recorder, asLightFilter);
        const std::vector<Diagnostic> given = diagnostics().snapshot();
        if (!given.empty()) {
            nlohmann::ordered_json warnings = nlohmann::ordered_json::array();
            for (const Diagnostic& entry : given) warnings.push_back(diagnosticJson(entry));
            record["warnings"] = std::move(warnings);
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace host
