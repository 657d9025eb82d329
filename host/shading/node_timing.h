// Time spent in each node type during a render, counted by the host: while a NodeTimer lives,
// every shader node of its universe evaluates through a wrapper that counts the evaluation and
// its own time (its nested evaluations' time taken out). For benchmarks only: a render without
// one runs exactly as before, since nothing in the evaluation path looks for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin/renderer.h"

struct Node;

namespace host {

class Universe;
struct NodeType;

class NodeTimer {
  public:
    /// Wraps the evaluations of every node of `universe`, for samples on render threads 0 to
    /// `threads` - 1 (others run unwrapped). One timer at a time; not while rendering.
    NodeTimer(Universe& universe, int threads);
    ~NodeTimer();  ///< unwraps every node
    NodeTimer(const NodeTimer&) = delete;
    NodeTimer& operator=(const NodeTimer&) = delete;

    struct TypeTime {
        std::string type;
        uint64_t evaluations = 0;
        uint64_t ticks = 0;  ///< own time, in the units of ticks()
    };
    /// Per node type, summed over the threads.
    std::vector<TypeTime> byType() const;

    /// The clock the times are in: the processor's time-stamp counter where there is one.
    static uint64_t ticks();

  private:
    static constexpr int kMaxDepth = 256;
    static constexpr int kMaxTypes = 64;
    struct alignas(64) Lane {
        int depth = 0;
        uint64_t nested[kMaxDepth] = {};
        uint64_t evaluations[kMaxTypes] = {};
        uint64_t ownTicks[kMaxTypes] = {};
    };
    static void timedEvaluate(Node* node, ShaderGlobals* sg);
    int slotOf(const NodeType* type) const;

    std::vector<const NodeType*> types_;
    std::vector<ShaderEvaluateFn> originals_;  ///< by slot
    std::vector<Node*> wrapped_;
    std::vector<Lane> lanes_;
};

}  // namespace host
