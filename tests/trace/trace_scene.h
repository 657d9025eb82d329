// A small world for orv_trace tests: the plug-in loaded, the object types registered, a
// recording colour shader, and a helper that builds the Embree scene and the world on demand.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "geometry/geometry_scene.h"
#include "plugin/renderer.h"
#include "support/network.h"
#include "tracing/world.h"

namespace test {

/// What the last "trace_test_shader" evaluation saw.
struct ShadedSample {
    int evaluations = 0;
    uint32_t rayType = 0;
    int rayDepth = 0;
    Vector rayDirection{0, 0, 0};
    Vector normal{0, 0, 0};
    Vector alternateNormal{0, 0, 0};
    const Node* object = nullptr;
    /// When set, every shaded ray direction is appended (single-threaded tests only).
    std::vector<Vector>* directionLog = nullptr;
};
ShadedSample& lastShaded();

class TraceScene {
  public:
    /// Registers "sphere", "plane", "box", "mesh" and "trace_test_shader" (parameter "color",
    /// rgb; writes it and records the sample in lastShaded()).
    TraceScene();

    Network net;
    host::World world;

    /// A trace_test_shader node of that colour.
    Node* shader(const std::string& name, RGB color);
    /// A sphere, shaded by `shaderName` (empty: no shader).
    Node* sphere(const std::string& name, Vector centre, float radius,
                 const std::string& shaderName);
    Node* plane(const std::string& name, Vector translate, Vector rotate, float size,
                const std::string& shaderName);
    void setNode(const std::string& nodeDotParam, const std::string& target);
    /// Builds the geometry from the objects made so far and hands the world to the network.
    void build();

    /// A sample at `point` looking along `direction`, on `object` when given.
    static ShaderGlobals sampleAt(Vector point, Vector direction, Node* object = nullptr);
    /// Evaluates `node` (after the lifecycle) and gives its colour.
    RGB color(const std::string& node, const ShaderGlobals& sg);
    /// Evaluates `node` without running the lifecycle first, on thread 0, at `rayDepth`.
    RGB colorWithoutUpdate(const std::string& node, ShaderGlobals sg, int rayDepth = 0);

  private:
    std::unique_ptr<host::GeometryScene> geometry_;
};

}  // namespace test
