// Evaluating a shader on the caller's sample.
#include "plugin/renderer.h"
#include "shading/network.h"

extern "C" {

bool AiShaderEvaluate(Node* node, ShaderGlobals* sg) {
    if (!sg) return false;
    if (!node) {
        sg->out.rgba = RGBA{0, 0, 0, 1};
        return false;
    }
    host::evaluateNode(node, sg);
    return true;
}

}  // extern "C"
