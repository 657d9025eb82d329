#include "shading/network.h"

#include <cstdio>

#include "shading/explain_recorder.h"
#include "shading/sample_state.h"
#include "universe/node.h"
#include "universe/printable.h"

namespace host {

namespace {

/// Nesting of evaluations on samples without host state (shaded outside any sample scope).
thread_local int tUnscopedEvaluations = 0;

void refuseTooDeep(Node* node, ShaderGlobals* sg) {
    sg->out.rgba = RGBA{0.0f, 0.0f, 0.0f, 1.0f};
    if (!node->nestingWarned.exchange(true, std::memory_order_relaxed))
        std::fprintf(stderr,
                     "warning: node '%s' (%s): evaluations nest more than %d deep in one sample "
                     "(a network that reaches itself through a renderer call?); answered black\n",
                     printable(node->name).c_str(), printable(node->type->name).c_str(),
                     kMaxNestedEvaluations);
}

/// An evaluation reported to orv-shade --explain.
void evaluateExplained(ExplainRecorder& explain, Node* node, ShaderGlobals* sg) {
    explain.enterNode(node, *sg);
    node->evaluate(node, sg);
    explain.leaveNode(*sg);
}

/// An evaluation on a sample without host state (shaded outside any sample scope), nested
/// per thread.
void evaluateUnscoped(Node* node, ShaderGlobals* sg) {
    if (tUnscopedEvaluations >= kMaxNestedEvaluations) {
        refuseTooDeep(node, sg);
        return;
    }
    ++tUnscopedEvaluations;
    node->evaluate(node, sg);
    --tUnscopedEvaluations;
}

}  // namespace

void evaluateNodeRarely(Node* node, ShaderGlobals* sg) {
    HostSample* const sample = sg->host;
    if (!sample) {
        evaluateUnscoped(node, sg);
        return;
    }
    if (sample->thread->stop->load(std::memory_order_relaxed)) {
        sg->out.rgba = RGBA{0.0f, 0.0f, 0.0f, 1.0f};
        return;
    }
    if (sample->evaluations >= kMaxNestedEvaluations) {
        refuseTooDeep(node, sg);
        return;
    }
    ++sample->evaluations;
    if (ExplainRecorder* const explain = sample->thread->explain)
        evaluateExplained(*explain, node, sg);
    else
        node->evaluate(node, sg);
    --sample->evaluations;
}

ParamValue evaluateParam(ShaderGlobals* sg, const Node* node, int index, uint8_t type) {
    if (!node || index < 0 || static_cast<size_t>(index) >= node->values.size()) {
        ParamValue zero;
        zero.type = type;
        return zero;
    }
    Node* upstream = node->links[index];
    if (!upstream) return convert(node->values[index], type);
    const ShaderValue kept = sg->out;
    evaluateNode(upstream, sg);
    const ParamValue produced = fromShaderValue(sg->out, upstream->type->outputType);
    sg->out = kept;
    return convert(produced, type);
}

}  // namespace host
