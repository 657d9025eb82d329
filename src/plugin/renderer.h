// The renderer interface: every record and call that shader plug-ins and the renderer share.
//
// This header is the whole contract between the plug-in library and the renderer that loads it.
// It holds declarations only. The renderer defines every function below and exports them from
// its executable (or one of its shared libraries), so a plug-in module leaves them undefined and
// they bind when the module is loaded.
//
// Conventions used throughout:
//  - Matrices are 16 floats stored row by row. Points and vectors are row vectors multiplied from
//    the left (v x M), so a translation sits in entries 12, 13 and 14.
//  - Angles given to the rotation calls are in degrees.
//  - Calls taking a ShaderGlobals are per-sample: they take no lock and do not touch the heap.
//
// Callback order and threading, as plug-ins may rely on them:
//  - NodeLoader is asked with indices 0, 1, 2, ... until it answers false, before anything else.
//    It may be asked again at any time and from any thread.
//  - A type's parameters callback runs once, before any instance of the type exists.
//  - Per instance: initialize first; update at least once before the first evaluate, and again
//    whenever the scene changed; finish last. initialize, update and finish of one instance never
//    overlap each other or an evaluate of that instance.
//  - evaluate runs concurrently on every render thread, one sample at a time per thread, and may
//    re-enter the same instance on one thread (a linked parameter, a traced ray, a shader
//    evaluation whose network reaches the node again).
//
// What an evaluate callback reads and writes:
//  - A shader reads the sample's fields (point, normals, rayDirection, object, threadIndex) and
//    its parameters, through AiShaderEvalParamFunc* with the same ShaderGlobals; it writes its
//    result to `out`, in the member of its outputType (a colour node may write all of `rgba`).
//    The other fields are the sample's: leave them as they were.
//  - A light filter is a shader node named in a light's `filters`. For each light sample of a
//    lit surface, before its shadow ray, the renderer puts the light's intensity at the shaded
//    point in `lightIntensity` and evaluates the light's filters in order on the surface's
//    sample (its point, normals and object). A filter changes `lightIntensity` in place: the
//    light goes on with what the last filter left there, and a filter that leaves it alone
//    passes the light unchanged. Its `out` is not read, and the surface's own `out` and
//    `lightIntensity` are restored after the lighting. A light that does not reach the point
//    (behind the surface, outside a spot's cone) runs no filters.
//  - Nothing may cross back as an exception: every callback is called through C linkage.
//
// Reading settings once per update (a set-up that would cost too much per sample, or that
// must see one value for the whole render), safely on every thread:
//
//    struct Data { std::atomic<uint8_t> ready{0}; CritSec lock; float gain; };
//    initialize: data = new (std::nothrow) Data; AiNodeSetLocalData(node, data);
//                if (data) AiCritSecInit(&data->lock);
//    update:     data->ready.store(0, std::memory_order_release);   // no evaluate runs now
//    evaluate:   if (data->ready.load(std::memory_order_acquire) == 0) {
//                    AiCritSecEnter(&data->lock);
//                    if (data->ready.load(std::memory_order_acquire) == 0) {
//                        data->gain = AiShaderEvalParamFuncFlt(sg, node, kGain);
//                        data->ready.store(1, std::memory_order_release);
//                    }
//                    AiCritSecLeave(&data->lock);
//                }
//                ... read data->gain, never writing it ...
//    finish:     AiCritSecClose(&data->lock); delete data; AiNodeSetLocalData(node, nullptr);
//
//  The release store publishes what the set-up wrote to every thread whose acquire load sees
//  it; later evaluations take no lock. The set-up reads its parameters with the first sample
//  evaluated after the update, so a linked set-up parameter gives that sample's value to the
//  whole render (the renderer evaluates each node once before rendering, on a sample chosen
//  from the scene, so that it is always the same one). The critical section is recursive: a
//  parameter network that reaches the node again on the same thread (through a traced ray) finishes
//  the set-up itself, so test the flag again after the reads before writing. A complete light
//  filter built so is in the examples (share/orv_shaders/examples of an installed tree).
//
// What may be null, and what is normalised:
//  - AiShaderGlobalsQuickAlloc and AiSamplerIterator may answer null (the sample's memory cannot
//    grow, or no sample context), and AiSampler when the heap is exhausted: a node must fall
//    back, never dereference it.
//  - AiNodeLookUpUserParameter, AiNodeGetInt and AiNodeGetPtr accept a null node (samples not on
//    a surface carry a null object) and answer null or 0.
//  - AiMakeRay normalises the direction; a zero or non-finite origin or direction gives a ray
//    that hits nothing.
//  - The sample buffer given to AiSamplerGetSample holds as many floats as the sampler's
//    dimensions.
//
// When memory runs out no call throws, and each does what is stated here:
//  - AiShaderGlobalsQuickAlloc, AiSamplerIterator and AiSampler answer null (above); a sample's
//    memory cannot grow past 256 MiB per render thread, whatever the heap holds.
//  - AiMessageSetPtrFunc answers false and publishes nothing when the sample cannot hold another
//    name; names already published stay.
//  - AiNodeParam* record the failure, and the node type is then refused when it registers,
//    naming it, rather than registered with parameters missing.
//  - AiCritSecInit always gives a usable section: without memory for its own it shares one
//    process-wide recursive lock, as exclusive, only less concurrent.
//  - AiMetaDataSet* drop the metadata: it is advice, and the type registers without it.
//  - Every other call allocates nothing, so memory cannot fail it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

extern "C" {

// ---------------------------------------------------------------------------------------------
// Value types

struct RGB {
    float r, g, b;
};

struct RGBA {
    float r, g, b, a;
};

struct Vector {
    float x, y, z;
};

struct Matrix4 {
    float m[16];  ///< row by row: entry (row, column) is m[row * 4 + column]
};

/// Type codes of parameter and output values.
enum : uint8_t {
    kTypeByte = 0,
    kTypeInt = 1,
    kTypeUInt = 2,
    kTypeBoolean = 3,
    kTypeFloat = 4,
    kTypeRGB = 5,
    kTypeRGBA = 6,
    kTypeVector = 7,
    kTypeString = 10,
    kTypePointer = 11,
    kTypeNode = 12,
    kTypeNone = 255,
};

/// Node kinds.
enum : int32_t {
    kNodeOptions = 1,
    kNodeCamera = 2,
    kNodeLight = 4,
    kNodeShape = 8,
    kNodeShader = 16,
};

/// Ray type codes, as given to AiMakeRay.
enum : uint32_t {
    kRayCamera = 1,
    kRayShadow = 2,
    kRayReflected = 4,
    kRayRefracted = 8,
};

// ---------------------------------------------------------------------------------------------
// Handles. Their contents belong to the renderer.

struct Node;            ///< a node instance: shader, light, object or the options
struct ParamList;       ///< a node type's parameter declarations, filled by its parameters callback
struct NodeEntry;       ///< a node type as the renderer registered it
struct UserParamEntry;  ///< a user-declared parameter of a node
struct Sampler;         ///< a sample pattern, shared read-only by all threads
struct SamplerIterator;  ///< one sample's walk over a Sampler; owned by the renderer
struct HostSample;       ///< the renderer's own per-sample state (messages, memory, ray depth)

/// A critical section. Initialise it in place with AiCritSecInit before use.
typedef void* CritSec;

// ---------------------------------------------------------------------------------------------
// The shading context of one sample

/// Room for any value a node produces. A node writes the width of its own output type; colour
/// nodes may write a full RGBA even when registered as RGB, so the slot always holds an RGBA.
union ShaderValue {
    RGB rgb;
    RGBA rgba;
    float flt;
    int32_t integer;
    bool boolean;
    Vector vec;
    void* ptr;
};

/// Per-sample shading context, passed to every evaluate callback. Owned by the renderer and
/// touched only by the thread that shades the sample.
struct ShaderGlobals {
    uint8_t threadIndex;     ///< render thread, 0 .. threads-1
    Vector rayDirection;     ///< direction of the incoming ray (towards the shading point)
    Vector point;            ///< shading point, world space
    Vector normal;           ///< shading normal
    Vector alternateNormal;  ///< shading normal flipped to face the incoming ray
    Vector geometricNormal;  ///< true surface normal
    Node* object;            ///< object being shaded; null for samples not on a surface
    RGB lightIntensity;      ///< intensity of the light sample a light filter is given
    ShaderValue out;         ///< the evaluated node's result
    HostSample* host;        ///< renderer-private state of this sample
};

// ---------------------------------------------------------------------------------------------
// Node types as a plug-in offers them

typedef void (*NodeParametersFn)(ParamList* params, NodeEntry* entry);
typedef void (*NodeInitializeFn)(Node* node, void* reserved);
typedef void (*NodeUpdateFn)(Node* node, void* reserved);
typedef void (*NodeFinishFn)(Node* node);
typedef void (*ShaderEvaluateFn)(Node* node, ShaderGlobals* sg);

struct CommonNodeMethods {
    NodeParametersFn parameters;
    NodeInitializeFn initialize;
    NodeUpdateFn update;
    NodeFinishFn finish;
};

struct ShaderNodeMethods {
    ShaderEvaluateFn evaluate;
};

struct NodeMethods {
    const CommonNodeMethods* common;
    const ShaderNodeMethods* shader;
};

/// Filled by a plug-in's NodeLoader, one node type per call.
struct NodeDescriptor {
    int32_t nodeKind;            ///< kNodeShader for shaders
    uint8_t outputType;          ///< type code of the value evaluate writes
    const char* name;            ///< static, NUL-terminated
    const NodeMethods* methods;  ///< static
    char version[32];            ///< renderer version the plug-in was built for, NUL-terminated
};

/// The renderer version this interface describes, to copy into NodeDescriptor::version. A
/// renderer refuses modules built for another major version (the number before the first dot).
constexpr char kRendererVersion[] = "4.1.1.0";
static_assert(sizeof(kRendererVersion) <= sizeof(NodeDescriptor::version), "fits the descriptor");

/// The one symbol a plug-in module exports. Answers false once index passes the last node type.
typedef bool (*NodeLoaderFn)(int index, NodeDescriptor* descriptor);

/// The entry every plug-in module defines and exports; renderers find it by name with dlsym.
__attribute__((visibility("default"))) bool NodeLoader(int index, NodeDescriptor* descriptor);

// ---------------------------------------------------------------------------------------------
// Parameter declaration. `position` is -1 to let the renderer place the parameter; parameters
// are then indexed 0, 1, 2, ... in declaration order.

void AiNodeParamBool(ParamList* params, int position, const char* name, bool value);
void AiNodeParamInt(ParamList* params, int position, const char* name, int value);
void AiNodeParamFlt(ParamList* params, int position, const char* name, float value);
void AiNodeParamRGB(ParamList* params, int position, const char* name, float r, float g, float b);
void AiNodeParamRGBA(ParamList* params, int position, const char* name, float r, float g, float b,
                     float a);
void AiNodeParamVec(ParamList* params, int position, const char* name, float x, float y, float z);

/// Metadata of parameter `param`, given in the parameters callback after its declaration. It
/// changes nothing of the parameter itself: renderers check scenes against it and show it to
/// users. The renderer copies the strings. A key it does not know, or a parameter not declared,
/// is ignored, as is the call when memory runs out. The keys:
///  - "oncePerUpdate" (bool): the node reads the parameter once per update, at its first sample
///    after it, and keeps that value for every later sample until the next update.
///  - "min", "max" (float): the lowest and highest value the node means.
///  - "values" (string): the values the node means, each with its meaning: "0 card, 1 sphere".
///  - "otherwise" (string): what the node does with a value outside "min" .. "max" or "values".
///  - "help" (string): what the parameter does, in one line, for editors and references.
void AiMetaDataSetBool(ParamList* params, const char* param, const char* key, bool value);
void AiMetaDataSetFlt(ParamList* params, const char* param, const char* key, float value);
void AiMetaDataSetStr(ParamList* params, const char* param, const char* key, const char* value);

// ---------------------------------------------------------------------------------------------
// Parameter evaluation: the value of parameter `index` for this sample. A linked parameter runs
// its upstream node with the same ShaderGlobals first; the caller's output slot is kept.

bool AiShaderEvalParamFuncBool(ShaderGlobals* sg, const Node* node, int index);
int AiShaderEvalParamFuncInt(ShaderGlobals* sg, const Node* node, int index);
float AiShaderEvalParamFuncFlt(ShaderGlobals* sg, const Node* node, int index);
RGB AiShaderEvalParamFuncRGB(ShaderGlobals* sg, const Node* node, int index);
RGBA AiShaderEvalParamFuncRGBA(ShaderGlobals* sg, const Node* node, int index);
Vector AiShaderEvalParamFuncVec(ShaderGlobals* sg, const Node* node, int index);

// ---------------------------------------------------------------------------------------------
// Nodes, options and user parameters

/// Stores the node's private data; AiNodeGetLocalData gives the same pointer back.
void AiNodeSetLocalData(Node* node, void* data);
void* AiNodeGetLocalData(const Node* node);

/// The scene's options node ("threads": render thread count as the scene gave it, 0 = all cores).
Node* AiUniverseGetOptions(void);
/// Stored value of an integer parameter or user parameter; 0 when there is none of that name.
int AiNodeGetInt(const Node* node, const char* name);
/// Stored node of a node-valued parameter or user parameter; null when there is none.
void* AiNodeGetPtr(const Node* node, const char* name);
/// Non-null when the node carries a user parameter of that name.
const UserParamEntry* AiNodeLookUpUserParameter(const Node* node, const char* name);

// ---------------------------------------------------------------------------------------------
// Per-sample messages and memory. Both live until the sample ends; neither allocates from the
// heap per sample. A ray traced from within a sample starts with no messages.

/// Publishes `value` under `name` for the rest of this sample (replacing any earlier value).
/// `name` must stay valid for the sample (a string literal or other static text). False, with
/// nothing published, without a sample or when its memory cannot hold another name.
bool AiMessageSetPtrFunc(ShaderGlobals* sg, const char* name, void* value);
/// Writes the pointer published under `name` to *value and answers true; false when absent.
bool AiMessageGetPtrFunc(ShaderGlobals* sg, const char* name, void** value);
/// `size` bytes, 16-byte aligned, valid until the sample ends. The renderer reclaims it.
/// Null when the sample's memory cannot grow by that much.
void* AiShaderGlobalsQuickAlloc(ShaderGlobals* sg, uint32_t size);

// ---------------------------------------------------------------------------------------------
// Critical sections. Recursive: the thread that holds one may enter it again.

void AiCritSecInit(CritSec* cs);
void AiCritSecEnter(CritSec* cs);
void AiCritSecLeave(CritSec* cs);
void AiCritSecClose(CritSec* cs);

// ---------------------------------------------------------------------------------------------
// Matrices: result first, then operands. The result may not alias an operand of AiM4Mult.

void AiM4Identity(Matrix4* out);
/// Rotations by `degrees` about one axis, counter-clockwise looking down the axis.
void AiM4RotationX(Matrix4* out, float degrees);
void AiM4RotationY(Matrix4* out, float degrees);
void AiM4RotationZ(Matrix4* out, float degrees);
/// out = a x b: a applies first to a row vector.
void AiM4Mult(Matrix4* out, const Matrix4* a, const Matrix4* b);
/// out = in^-1. A singular or non-finite matrix gives a matrix of NaNs.
void AiM4Invert(Matrix4* out, const Matrix4* in);
/// out = (p, 1) x m, divided by w when w is not 1.
void AiM4PointByMatrixMult(Vector* out, const Matrix4* m, const Vector* p);
/// out = (v, 0) x m: no translation.
void AiM4VectorByMatrixMult(Vector* out, const Matrix4* m, const Vector* v);

// ---------------------------------------------------------------------------------------------
// Rays

/// A ray ready to trace as a child of `parent`'s sample.
struct Ray {
    uint32_t type;  ///< ray type code (kRayReflected, ...)
    Vector origin;  ///< already offset off the surface it leaves
    Vector direction;
    double maxDistance;
    const ShaderGlobals* parent;  ///< the sample that casts it
};

/// What a traced ray brought back. The colour comes first.
struct TraceResult {
    RGB color;           ///< shaded colour of the hit, or the background's on a miss
    float alpha;         ///< 1 on a hit, 0 on a miss
    Vector point;        ///< hit point (undefined on a miss)
    double distance;     ///< distance along the ray (undefined on a miss)
    const Node* object;  ///< object hit, or null
};

/// Scratch filled by a probe.
struct ProbeHit {
    Vector point;
    Vector normal;
    double distance;
    const Node* object;
};

void AiMakeRay(Ray* ray, uint32_t type, const Vector* origin, const Vector* direction,
               double maxDistance, const ShaderGlobals* parent);
/// Closest hit, shaded by the hit object's shader in a new sample one ray level deeper.
/// Answers true on a hit. Past the scene's ray depth limit nothing is traced (a miss).
bool AiTrace(const Ray* ray, TraceResult* result);
/// Any hit within the ray's distance; nothing is shaded.
bool AiTraceProbe(const Ray* ray, ProbeHit* hit);

/// Mirror of `in` about `normal`.
void AiReflect(const Vector* in, const Vector* normal, Vector* out);
/// Mirror of `in` about `normal`, bent so that it never points below the geometric surface.
void AiReflectSafe(const Vector* in, const Vector* normal, const Vector* geometricNormal,
                   Vector* out);
/// Refraction of `in` from index n1 into n2 (Snell's law). Answers false on total internal
/// reflection, when `out` holds the mirror direction instead.
bool AiRefract(const Vector* in, const Vector* normal, Vector* out, float n1, float n2);

// ---------------------------------------------------------------------------------------------
// Samplers

/// A pattern of `samples` points (taken as 1 when below 1, as 65536 when above, with a warning)
/// of `dimensions` numbers each; null when the heap is exhausted (the other sampler calls
/// accept a null sampler).
Sampler* AiSampler(int samples, int dimensions);
/// This sample's walk over the pattern, decorrelated between pixels and samples.
SamplerIterator* AiSamplerIterator(const Sampler* sampler, const ShaderGlobals* sg);
/// Writes the next point's numbers, each in [0, 1), to `sample`; false when none are left, or
/// when the render is asked to stop.
bool AiSamplerGetSample(SamplerIterator* iterator, float* sample);
/// 1 / (points handed out so far); 0 when none has been.
float AiSamplerGetSampleInvCount(const SamplerIterator* iterator);
void AiSamplerDestroy(Sampler* sampler);

// ---------------------------------------------------------------------------------------------
// Shader evaluation

/// Runs `node`'s evaluate on this sample; its result is left in sg->out. A null node writes
/// black and answers false.
bool AiShaderEvaluate(Node* node, ShaderGlobals* sg);

}  // extern "C"

// The layout both sides compile against (64-bit platforms): a plug-in and a renderer built by
// different compilers must agree on every byte of the shared records.
static_assert(std::is_same<decltype(&NodeLoader), NodeLoaderFn>::value,
              "NodeLoader must have the type renderers look it up as");
static_assert(sizeof(RGB) == 12 && sizeof(RGBA) == 16 && sizeof(Vector) == 12, "value types");
static_assert(offsetof(RGBA, a) == 12 && offsetof(Vector, z) == 8, "value type fields");
static_assert(sizeof(Matrix4) == 64, "Matrix4 is 16 floats, row by row");
static_assert(offsetof(NodeDescriptor, nodeKind) == 0 && offsetof(NodeDescriptor, outputType) == 4,
              "NodeDescriptor kind and output type");
static_assert(offsetof(NodeDescriptor, name) == 8 && offsetof(NodeDescriptor, methods) == 16 &&
                  offsetof(NodeDescriptor, version) == 24 && sizeof(NodeDescriptor) == 56,
              "NodeDescriptor name, methods and version buffer");
static_assert(sizeof(CommonNodeMethods) == 4 * sizeof(void*) &&
                  sizeof(ShaderNodeMethods) == sizeof(void*) &&
                  sizeof(NodeMethods) == 2 * sizeof(void*),
              "callback tables are plain pointers in order");
