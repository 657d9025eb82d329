#include "render/node_setup.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "geometry/affine_transform.h"
#include "shading/sample_state.h"
#include "tracing/tracer.h"
#include "universe/node.h"

namespace host {

namespace {

const ParamValue* paramOf(const Node* node, const char* name) {
    const int index = node ? node->type->findParam(name) : -1;
    return index >= 0 ? &node->values[index] : nullptr;
}

Vector vectorOr(const Node* node, const char* name, const Vector& fallback) {
    const ParamValue* v = paramOf(node, name);
    return v && v->type == kTypeVector ? v->vec : fallback;
}

Vector unitOr(const Vec3d& v, const Vector& fallback) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 0.0) || !std::isfinite(length)) return fallback;
    return toVector(v * (1.0 / length));
}

Vector negated(const Vector& v) {
    return Vector{-v.x, -v.y, -v.z};
}

class SetUpPass {
  public:
    SetUpPass(const Scene& scene, const World& world, const std::vector<Node*>* shaders)
        : scene_(scene), world_(world) {
        // Traced rays are not cast, so no node is set up on a hit another node's ray found.
        world_.maxRayDepth = 0;
        // Only shader nodes are evaluated: the rest (thousands of objects) are not looked at.
        if (shaders) {
            shaders_ = *shaders;
        } else {
            for (const auto& node : scene.universe->nodes())
                if (node->type->kind == kNodeShader) shaders_.push_back(node.get());
        }
        for (size_t i = 0; i < shaders_.size(); ++i) order_.emplace(shaders_[i], i);
        camera_ = vectorOr(scene.camera, "position", Vector{0, 0, 0});
        const Vector lookAt = vectorOr(scene.camera, "lookAt", Vector{0, 0, -1});
        view_ = unitOr(toVec3d(lookAt) - toVec3d(camera_), Vector{0, 0, -1});
    }

    void run() {
        // Networks nested too deep are refused here as in a render, but the warning is the
        // render's to give: the pass's own evaluations, from nodes a render never starts at,
        // would name nodes a render never refuses.
        std::vector<uint32_t> warned;
        warned.reserve(shaders_.size());
        for (Node* node : shaders_) warned.push_back(node->nestingWarned.silence());
        setUpAll();
        for (size_t i = 0; i < shaders_.size(); ++i) shaders_[i]->nestingWarned.restore(warned[i]);
    }

  private:
    void setUpAll() {
        for (const Light& light : world_.lights) {
            const Vector along = unitOr(toVec3d(light.direction), Vector{0, -1, 0});
            ShaderGlobals sg =
                surfaceGlobals(light.position, negated(along), negated(along), along, nullptr);
            sg.lightIntensity =
                RGB{light.color.r * light.intensity, light.color.g * light.intensity,
                    light.color.b * light.intensity};
            for (Node* filter : light.filters) setUp(filter, sg);
        }
        for (Node* object : scene_.objects) {
            // Once every shader node is reached, the remaining objects' roots are passed over.
            if (reached_.size() == shaders_.size()) break;
            const Vector centre = vectorOr(object, "translate", Vector{0, 0, 0});
            const Vector seen = unitOr(toVec3d(centre) - toVec3d(camera_), view_);
            const ShaderGlobals sg =
                surfaceGlobals(centre, negated(seen), negated(seen), seen, object);
            const ParamValue* shader = paramOf(object, "shader");
            if (shader && shader->type == kTypeNode) setUp(shader->node, sg);
            for (const UserParamEntry& user : object->userParams)
                if (user.value.type == kTypeNode) setUp(user.value.node, sg);
        }
        ShaderGlobals missed = blankShaderGlobals();
        missed.point = camera_;
        missed.rayDirection = view_;
        setUp(world_.background, missed);

        ShaderGlobals nowhere = surfaceGlobals(Vector{0, 0, 0}, Vector{0, 0, 1}, Vector{0, 0, 1},
                                               Vector{0, 0, -1}, nullptr);
        nowhere.lightIntensity = RGB{1, 1, 1};
        for (Node* node : shaders_)
            if (reached_.insert(node).second) evaluate(node, nowhere);
    }

    /// Evaluates `root` on `sample`, then, on the same sample and in scene order, every node of
    /// its network that no earlier root reached. A root an earlier one reached is passed over:
    /// its whole network was reached with it.
    void setUp(Node* root, const ShaderGlobals& sample) {
        if (!root || root->type->kind != kNodeShader || !reached_.insert(root).second) return;
        std::vector<Node*> fresh;
        std::vector<Node*> pending{root};
        while (!pending.empty()) {
            Node* node = pending.back();
            pending.pop_back();
            for (Node* source : node->links)
                if (source && reached_.insert(source).second) {
                    fresh.push_back(source);
                    pending.push_back(source);
                }
        }
        evaluate(root, sample);
        std::sort(fresh.begin(), fresh.end(),
                  [&](const Node* a, const Node* b) { return order_.at(a) < order_.at(b); });
        for (Node* node : fresh) evaluate(node, sample);
    }

    void evaluate(Node* node, const ShaderGlobals& sample) {
        ShaderGlobals sg = sample;
        shadeSample(thread_, sg, &world_, 0, SampleOrigin{}, kRayCamera, node);
    }

    const Scene& scene_;
    World world_;
    std::unordered_map<const Node*, size_t> order_;  ///< of the shader nodes, in scene order
    std::vector<Node*> shaders_;
    std::unordered_set<const Node*> reached_;
    ThreadContext thread_{0};
    Vector camera_{0, 0, 0};
    Vector view_{0, 0, -1};
};

}  // namespace

void setUpNodes(const Scene& scene, const World& world, const std::vector<Node*>* shaders) {
    SetUpPass(scene, world, shaders).run();
}

}  // namespace host
