// Per-sample messages and memory, both from the sample's thread arena.
#include "plugin/renderer.h"
#include "shading/sample_state.h"

extern "C" {

bool AiMessageSetPtrFunc(ShaderGlobals* sg, const char* name, void* value) {
    if (!sg || !sg->host || !name) return false;
    sg->host->messages.set(sg->host->thread->arena, name, value);
    return true;
}

bool AiMessageGetPtrFunc(ShaderGlobals* sg, const char* name, void** value) {
    if (!sg || !sg->host || !name || !value) return false;
    return sg->host->messages.get(name, value);
}

void* AiShaderGlobalsQuickAlloc(ShaderGlobals* sg, uint32_t size) {
    return sg && sg->host ? sg->host->thread->arena.allocate(size) : nullptr;
}

}  // extern "C"
