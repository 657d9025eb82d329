#include "shading/explain_recorder.h"

namespace host {

int ExplainRecorder::open(Event event) {
    event.parent = open_.empty() ? -1 : open_.back();
    events_.push_back(std::move(event));
    open_.push_back(static_cast<int>(events_.size()) - 1);
    return open_.back();
}

void ExplainRecorder::enterNode(const Node* node, const ShaderGlobals& sg) {
    Event event;
    event.kind = Kind::Node;
    event.node = node;
    event.lightBefore = sg.lightIntensity;
    open(std::move(event));
}

void ExplainRecorder::leaveNode(const ShaderGlobals& sg) {
    if (open_.empty()) return;
    Event& event = events_[open_.back()];
    event.output = sg.out;
    event.lightAfter = sg.lightIntensity;
    open_.pop_back();
}

void ExplainRecorder::message(const char* name, bool set, bool found) {
    Event event;
    event.kind = Kind::Message;
    event.message = name;
    event.set = set;
    event.found = found;
    open(std::move(event));
    open_.pop_back();
}

void ExplainRecorder::openTrace(const Ray& ray) {
    Event event;
    event.kind = Kind::Ray;
    event.rayType = ray.type;
    event.origin = ray.origin;
    event.direction = ray.direction;
    open(std::move(event));
}

void ExplainRecorder::closeTrace(const TraceResult& result) {
    if (open_.empty()) return;
    Event& event = events_[open_.back()];
    event.hit = result.object != nullptr;
    event.hitObject = result.object;
    event.distance = result.distance;
    event.color = result.color;
    open_.pop_back();
}

void ExplainRecorder::probe(uint32_t rayType, const Vector& origin, const Vector& direction,
                            bool hit, const Node* nearest, double distance) {
    Event event;
    event.kind = Kind::Ray;
    event.probe = true;
    event.rayType = rayType;
    event.origin = origin;
    event.direction = direction;
    event.hit = hit;
    event.hitObject = nearest;
    event.distance = distance;
    open(std::move(event));
    open_.pop_back();
}

void ExplainRecorder::openLight(const Node* light, int index, const RGB& intensity) {
    Event event;
    event.kind = Kind::Light;
    event.light = light;
    event.lightIndex = index;
    event.lightBefore = intensity;
    open(std::move(event));
}

void ExplainRecorder::closeLight() {
    if (!open_.empty()) open_.pop_back();
}

void ExplainRecorder::clear() {
    events_.clear();
    open_.clear();
}

}  // namespace host
