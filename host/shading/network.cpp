#include "shading/network.h"

#include "shading/explain_recorder.h"
#include "universe/node.h"

namespace host {

void evaluateNode(Node* node, ShaderGlobals* sg) {
    ExplainRecorder* explain = explainRecorder(sg);
    if (explain) explain->enterNode(node, *sg);
    node->type->methods->shader->evaluate(node, sg);
    if (explain) explain->leaveNode(*sg);
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
