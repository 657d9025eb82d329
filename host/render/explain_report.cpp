#include "render/explain_report.h"

#include "render/point_shading.h"
#include "universe/node.h"

namespace host {

namespace {

using Json = nlohmann::ordered_json;
using Event = ExplainRecorder::Event;
using Kind = ExplainRecorder::Kind;

Json vectorJson(const Vector& v) {
    ShaderValue value{};
    value.vec = v;
    return outputJson(value, kTypeVector);
}

Json colorJson(const RGB& c) {
    ShaderValue value{};
    value.rgb = c;
    return outputJson(value, kTypeRGB);
}

const char* rayTypeName(uint32_t type) {
    switch (type) {
        case kRayCamera:
            return "camera";
        case kRayShadow:
            return "shadow";
        case kRayReflected:
            return "reflected";
        case kRayRefracted:
            return "refracted";
        default:
            return "other";
    }
}

class Report {
  public:
    Report(const ExplainRecorder& recorder, bool rootIsFilter)
        : events_(recorder.events()), rootIsFilter_(rootIsFilter), children_(events_.size()) {
        for (size_t i = 0; i < events_.size(); ++i)
            (events_[i].parent < 0 ? roots_ : children_[events_[i].parent]).push_back(int(i));
    }

    Json build() const {
        if (roots_.size() == 1) return event(roots_[0]);
        Json all = Json::array();
        for (int root : roots_) all.push_back(event(root));
        return all;
    }

  private:
    bool isFilter(const Event& e) const {
        return e.parent < 0 ? rootIsFilter_ : events_[e.parent].kind == Kind::Light;
    }

    /// What the light's filters left: the last one's result, or the light as it was.
    RGB filtered(int light) const {
        RGB result = events_[light].lightBefore;
        for (int child : children_[light])
            if (events_[child].kind == Kind::Node) result = events_[child].lightAfter;
        return result;
    }

    Json event(int index) const {
        const Event& e = events_[index];
        Json out = Json::object();
        switch (e.kind) {
            case Kind::Node:
                out["node"] = e.node->name;
                out["type"] = e.node->type->name;
                if (isFilter(e)) {
                    out["lightIntensity"] = colorJson(e.lightBefore);
                    out["filteredIntensity"] = colorJson(e.lightAfter);
                } else {
                    out["output"] = outputJson(e.output, e.node->type->outputType);
                }
                break;
            case Kind::Message:
                out["message"] = e.message;
                out["kind"] = e.set ? "set" : "lookup";
                if (!e.set) out["found"] = e.found;
                break;
            case Kind::Ray:
                out["ray"] = rayTypeName(e.rayType);
                out["cast"] = e.probe ? "probe" : "trace";
                out["origin"] = vectorJson(e.origin);
                out["direction"] = vectorJson(e.direction);
                if (e.hitObject)
                    out["hit"] = e.hitObject->name;
                else
                    out["hit"] = e.hit ? Json(true) : Json(nullptr);
                if (e.hitObject) out["distance"] = outputJson(floatValue(e.distance), kTypeFloat);
                if (!e.probe) out["color"] = colorJson(e.color);
                break;
            case Kind::Light:
                if (e.light)
                    out["light"] = e.light->name;
                else
                    out["light"] = e.lightIndex;
                out["intensity"] = colorJson(e.lightBefore);
                out["filteredIntensity"] = colorJson(filtered(index));
                break;
        }
        if (!children_[index].empty()) {
            Json calls = Json::array();
            for (int child : children_[index]) calls.push_back(event(child));
            out["calls"] = std::move(calls);
        }
        return out;
    }

    static ShaderValue floatValue(double v) {
        ShaderValue value{};
        value.flt = static_cast<float>(v);
        return value;
    }

    const std::vector<Event>& events_;
    bool rootIsFilter_;
    std::vector<std::vector<int>> children_;
    std::vector<int> roots_;
};

}  // namespace

Json explainJson(const ExplainRecorder& recorder, bool rootIsFilter) {
    return Report(recorder, rootIsFilter).build();
}

}  // namespace host
