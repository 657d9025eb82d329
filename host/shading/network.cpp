#include "shading/network.h"

#include <cstdio>

#include "shading/explain_recorder.h"
#include "shading/sample_state.h"
#include "universe/node.h"

namespace host {

namespace {

/// Nesting of evaluations on samples without host state (shaded outside any sample scope).
thread_local int tUnscopedEvaluations = 0;

/// Said once per node: each refused node is a place of its own to look at.
[[gnu::noinline, gnu::cold]] void warnTooDeep(Node* node, const ShaderGlobals* sg) {
    // Formatted without building strings: nothing here may throw into a plug-in's call.
    const std::string& name = node->name;
    const std::string& type = node->type->name;
    char message[640];
    std::snprintf(message, sizeof message,
                  "node '%.*s%s' (%.*s%s): evaluations nest more than %d deep in one sample (a "
                  "network that reaches itself through a renderer call?); answered black",
                  static_cast<int>(cutLength(name, kMaxShownName)), name.c_str(),
                  name.size() > kMaxShownName ? "..." : "",
                  static_cast<int>(cutLength(type, kMaxShownName)), type.c_str(),
                  type.size() > kMaxShownName ? "..." : "", kMaxNestedEvaluations);
    char key[64];
    std::snprintf(key, sizeof key, "nesting too deep %p", static_cast<const void*>(node));
    Where where = whereOf(sg);
    where.node = node->name;
    diagnostics().report(Severity::Warning, key, where, message);
}

void refuseTooDeep(Node* node, ShaderGlobals* sg) {
    sg->out.rgba = RGBA{0.0f, 0.0f, 0.0f, 1.0f};
    if (node->nestingWarned.first()) warnTooDeep(node, sg);
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
