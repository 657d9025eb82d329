#include "shading/node_timing.h"

#include <algorithm>
#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

#include "shading/sample_state.h"
#include "universe/host_error.h"
#include "universe/node.h"
#include "universe/universe.h"

namespace host {

namespace {

NodeTimer* active = nullptr;

}  // namespace

uint64_t NodeTimer::ticks() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

NodeTimer::NodeTimer(Universe& universe, int threads) : lanes_(static_cast<size_t>(threads)) {
    if (active) throw HostError("one node timer at a time");
    for (const auto& node : universe.nodes()) {
        if (!node->evaluate) continue;
        if (slotOf(node->type) < 0) {
            if (types_.size() == kMaxTypes) continue;
            types_.push_back(node->type);
            originals_.push_back(node->evaluate);
        }
        // Nodes of one type share its evaluate; a node that holds another stays as it is.
        if (node->evaluate != originals_[static_cast<size_t>(slotOf(node->type))]) continue;
        node->evaluate = &NodeTimer::timedEvaluate;
        wrapped_.push_back(node.get());
    }
    active = this;
}

NodeTimer::~NodeTimer() {
    for (Node* node : wrapped_)
        node->evaluate = originals_[static_cast<size_t>(slotOf(node->type))];
    active = nullptr;
}

int NodeTimer::slotOf(const NodeType* type) const {
    for (size_t i = 0; i < types_.size(); ++i)
        if (types_[i] == type) return static_cast<int>(i);
    return -1;
}

void NodeTimer::timedEvaluate(Node* node, ShaderGlobals* sg) {
    NodeTimer& timer = *active;
    const int slot = timer.slotOf(node->type);
    const ShaderEvaluateFn original = timer.originals_[static_cast<size_t>(slot)];
    const size_t index = sg && sg->host && sg->host->thread ? sg->host->thread->index : ~size_t{0};
    if (index >= timer.lanes_.size() || timer.lanes_[index].depth >= kMaxDepth) {
        original(node, sg);
        return;
    }
    Lane& lane = timer.lanes_[index];
    lane.nested[lane.depth++] = 0;
    const uint64_t start = ticks();
    original(node, sg);
    const uint64_t elapsed = ticks() - start;
    const uint64_t nested = lane.nested[--lane.depth];
    lane.ownTicks[slot] += elapsed - std::min(nested, elapsed);
    ++lane.evaluations[slot];
    if (lane.depth > 0) lane.nested[lane.depth - 1] += elapsed;
}

std::vector<NodeTimer::TypeTime> NodeTimer::byType() const {
    std::vector<TypeTime> times(types_.size());
    for (size_t slot = 0; slot < types_.size(); ++slot) {
        times[slot].type = types_[slot]->name;
        for (const Lane& lane : lanes_) {
            times[slot].evaluations += lane.evaluations[slot];
            times[slot].ticks += lane.ownTicks[slot];
        }
    }
    return times;
}

}  // namespace host
