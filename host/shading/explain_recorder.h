// The tree of evaluations made while shading one point, for orv-shade --explain: each node
// evaluated with its output, each per-sample message set or looked up, each ray cast with what
// it found, each light sample with its filters.
//
// A thread records only while its ThreadContext::explain is set. The host's hot paths (node
// evaluation, messages, rays, lights) test that pointer and do nothing else when it is null,
// so a render pays one predictable branch per call and never allocates for it. Recording is
// reached from the renderer calls, which may not throw: a recorder that runs out of memory stops
// recording and says so through exhausted(), for orv-shade to fail on.
#pragma once

#include <string>
#include <vector>

#include "plugin/renderer.h"
#include "shading/sample_state.h"

namespace host {

class ExplainRecorder {
  public:
    enum class Kind { Node, Message, Ray, Light };

    /// One evaluation, message, ray or light sample; `parent` indexes the event it happened
    /// inside, -1 at the top.
    struct Event {
        Kind kind = Kind::Node;
        int parent = -1;
        // Node: its output when it returned, and the light intensity before and after (a light
        // filter's result).
        const Node* node = nullptr;
        ShaderValue output{};
        RGB lightBefore{0, 0, 0}, lightAfter{0, 0, 0};
        // Message.
        std::string message;
        bool set = false;
        bool found = false;
        // Ray: `probe` for an any-hit test (nothing shaded), `hitObject` the nearest object.
        uint32_t rayType = 0;
        bool probe = false;
        Vector origin{0, 0, 0}, direction{0, 0, 0};
        bool hit = false;
        const Node* hitObject = nullptr;
        double distance = 0;
        RGB color{0, 0, 0};  ///< a traced ray's colour
        // Light: the light's node (null for an unnamed light), its index and unfiltered
        // intensity.
        const Node* light = nullptr;
        int lightIndex = 0;
    };

    void enterNode(const Node* node, const ShaderGlobals& sg) noexcept;
    void leaveNode(const ShaderGlobals& sg) noexcept;
    void message(const char* name, bool set, bool found) noexcept;
    /// A traced ray; closed by closeTrace once its hit is shaded.
    void openTrace(const Ray& ray) noexcept;
    void closeTrace(const TraceResult& result) noexcept;
    /// A probe or shadow ray: any hit at all, and the nearest object, if any, at `distance`.
    void probe(uint32_t rayType, const Vector& origin, const Vector& direction, bool hit,
               const Node* nearest, double distance) noexcept;
    /// One light's sample: its filters and shadow ray follow until closeLight.
    void openLight(const Node* light, int index, const RGB& intensity) noexcept;
    void closeLight() noexcept;

    const std::vector<Event>& events() const { return events_; }
    /// Set once an event found no memory; everything after it went unrecorded.
    bool exhausted() const { return exhausted_; }
    void clear();

  private:
    /// Adds `event` inside the innermost open one and leaves it open; false when out of memory.
    bool open(Event&& event) noexcept;
    std::vector<Event> events_;
    std::vector<int> open_;  ///< events not yet closed, innermost last
    bool exhausted_ = false;
};

/// The recorder of the thread shading `sg`, or null when it is not explaining.
inline ExplainRecorder* explainRecorder(const ShaderGlobals* sg) {
    return sg && sg->host && sg->host->thread ? sg->host->thread->explain : nullptr;
}

/// Records a traced ray for the span of the call that casts it.
class ExplainedTrace {
  public:
    ExplainedTrace(ExplainRecorder* recorder, const Ray& ray, const TraceResult& result)
        : recorder_(recorder), result_(result) {
        if (recorder_) recorder_->openTrace(ray);
    }
    ~ExplainedTrace() {
        if (recorder_) recorder_->closeTrace(result_);
    }
    ExplainedTrace(const ExplainedTrace&) = delete;
    ExplainedTrace& operator=(const ExplainedTrace&) = delete;

  private:
    ExplainRecorder* recorder_;
    const TraceResult& result_;
};

}  // namespace host
