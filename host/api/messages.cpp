// Per-sample messages and memory, both from the sample's thread arena.
#include "plugin/renderer.h"
#include "shading/explain_recorder.h"
#include "shading/sample_state.h"

extern "C" {

bool AiMessageSetPtrFunc(ShaderGlobals* sg, const char* name, void* value) {
    if (!sg || !sg->host || !name) return false;
    const bool published = sg->host->messages.set(sg->host->thread->arena, name, value);
    if (host::ExplainRecorder* explain = host::explainRecorder(sg))
        explain->message(name, true, published);
    return published;
}

bool AiMessageGetPtrFunc(ShaderGlobals* sg, const char* name, void** value) {
    if (!sg || !sg->host || !name || !value) return false;
    const bool found = sg->host->messages.get(name, value);
    if (host::ExplainRecorder* explain = host::explainRecorder(sg))
        explain->message(name, false, found);
    return found;
}

void* AiShaderGlobalsQuickAlloc(ShaderGlobals* sg, uint32_t size) {
    return sg && sg->host ? sg->host->thread->arena.allocate(size) : nullptr;
}

}  // extern "C"
