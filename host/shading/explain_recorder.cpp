#include "shading/explain_recorder.h"

#include <new>

namespace host {

bool ExplainRecorder::open(Event&& event) noexcept {
    if (exhausted_) return false;
    try {
        // Both lists have room before either changes, so they never disagree.
        events_.reserve(events_.size() + 1);
        open_.reserve(open_.size() + 1);
    } catch (const std::bad_alloc&) {
        exhausted_ = true;
        return false;
    }
    event.parent = open_.empty() ? -1 : open_.back();
    events_.push_back(std::move(event));
    open_.push_back(static_cast<int>(events_.size()) - 1);
    return true;
}

void ExplainRecorder::enterNode(const Node* node, const ShaderGlobals& sg) noexcept {
    Event event;
    event.kind = Kind::Node;
    event.node = node;
    event.lightBefore = sg.lightIntensity;
    open(std::move(event));
}

void ExplainRecorder::leaveNode(const ShaderGlobals& sg) noexcept {
    if (exhausted_) return;
    if (open_.empty()) return;
    Event& event = events_[open_.back()];
    event.output = sg.out;
    event.lightAfter = sg.lightIntensity;
    open_.pop_back();
}

void ExplainRecorder::message(const char* name, bool set, bool found) noexcept {
    if (exhausted_) return;
    Event event;
    event.kind = Kind::Message;
    try {
        event.message = name;
    } catch (const std::bad_alloc&) {
        exhausted_ = true;
        return;
    }
    event.set = set;
    event.found = found;
    if (open(std::move(event))) open_.pop_back();
}

void ExplainRecorder::openTrace(const Ray& ray) noexcept {
    Event event;
    event.kind = Kind::Ray;
    event.rayType = ray.type;
    event.origin = ray.origin;
    event.direction = ray.direction;
    open(std::move(event));
}

void ExplainRecorder::closeTrace(const TraceResult& result) noexcept {
    if (exhausted_) return;
    if (open_.empty()) return;
    Event& event = events_[open_.back()];
    event.hit = result.object != nullptr;
    event.hitObject = result.object;
    event.distance = result.distance;
    event.color = result.color;
    open_.pop_back();
}

void ExplainRecorder::probe(uint32_t rayType, const Vector& origin, const Vector& direction,
                            bool hit, const Node* nearest, double distance) noexcept {
    Event event;
    event.kind = Kind::Ray;
    event.probe = true;
    event.rayType = rayType;
    event.origin = origin;
    event.direction = direction;
    event.hit = hit;
    event.hitObject = nearest;
    event.distance = distance;
    if (open(std::move(event))) open_.pop_back();
}

void ExplainRecorder::openLight(const Node* light, int index, const RGB& intensity) noexcept {
    Event event;
    event.kind = Kind::Light;
    event.light = light;
    event.lightIndex = index;
    event.lightBefore = intensity;
    open(std::move(event));
}

void ExplainRecorder::closeLight() noexcept {
    if (!exhausted_ && !open_.empty()) open_.pop_back();
}

void ExplainRecorder::clear() {
    events_.clear();
    open_.clear();
    exhausted_ = false;
}

}  // namespace host
