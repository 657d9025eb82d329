#include "geometry/geometry_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "geometry/embree_scene.h"
#include "geometry/object_reach.h"
#include "geometry/object_types.h"
#include "geometry/sphere_hit.h"
#include "universe/host_error.h"
#include "universe/universe.h"

namespace host {

namespace {

bool finite(const Vector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

/// Parameter `index` of `object`, which its type's table or its kind's guarantees.
Vector vectorParam(const Node& object, int index) {
    const Vector v = object.values[index].vec;
    if (!finite(v))
        throw HostError("object '" + object.name + "': \"" + object.type->params[index].name +
                        "\" is not finite");
    return v;
}

float floatParam(const Node& object, int index) {
    const float f = object.values[index].flt;
    if (!std::isfinite(f))
        throw HostError("object '" + object.name + "': \"" + object.type->params[index].name +
                        "\" is not finite");
    return f;
}

// --- spheres: Embree user geometry, intersected analytically in object space -----------------

void sphereBounds(const RTCBoundsFunctionArguments* args) {
    const Shape& s = *static_cast<const Shape*>(args->geometryUserPtr);
    const SphereBounds b = sphereBounds(s.toWorld, s.radius);
    args->bounds_o->lower_x = b.lower[0];
    args->bounds_o->lower_y = b.lower[1];
    args->bounds_o->lower_z = b.lower[2];
    args->bounds_o->upper_x = b.upper[0];
    args->bounds_o->upper_y = b.upper[1];
    args->bounds_o->upper_z = b.upper[2];
}

bool sphereRayParameter(const Shape& s, const Vec3d& origin, const Vec3d& direction, double tnear,
                        double tfar, double* t) {
    return intersectSphere(s.toObject.applyPoint(origin), s.toObject.applyVector(direction),
                           s.radius, tnear, tfar, t);
}

void sphereIntersect(const RTCIntersectFunctionNArguments* args) {
    const Shape& s = *static_cast<const Shape*>(args->geometryUserPtr);
    const unsigned n = args->N;
    RTCRayN* ray = RTCRayHitN_RayN(args->rayhit, n);
    RTCHitN* hit = RTCRayHitN_HitN(args->rayhit, n);
    for (unsigned i = 0; i < n; ++i) {
        if (args->valid[i] != -1) continue;
        const Vec3d o{RTCRayN_org_x(ray, n, i), RTCRayN_org_y(ray, n, i), RTCRayN_org_z(ray, n, i)};
        const Vec3d d{RTCRayN_dir_x(ray, n, i), RTCRayN_dir_y(ray, n, i), RTCRayN_dir_z(ray, n, i)};
        double t;
        if (!sphereRayParameter(s, o, d, RTCRayN_tnear(ray, n, i), RTCRayN_tfar(ray, n, i), &t))
            continue;
        RTCRayN_tfar(ray, n, i) = static_cast<float>(t);
        // The normal is worked out again, more carefully, once the closest hit is known.
        RTCHitN_Ng_x(hit, n, i) = 0.0f;
        RTCHitN_Ng_y(hit, n, i) = 0.0f;
        RTCHitN_Ng_z(hit, n, i) = 1.0f;
        RTCHitN_u(hit, n, i) = 0.0f;
        RTCHitN_v(hit, n, i) = 0.0f;
        RTCHitN_primID(hit, n, i) = args->primID;
        RTCHitN_geomID(hit, n, i) = args->geomID;
        RTCHitN_instID(hit, n, i, 0) = args->context->instID[0];
    }
}

void sphereOccluded(const RTCOccludedFunctionNArguments* args) {
    const Shape& s = *static_cast<const Shape*>(args->geometryUserPtr);
    const unsigned n = args->N;
    RTCRayN* ray = args->ray;
    for (unsigned i = 0; i < n; ++i) {
        if (args->valid[i] != -1) continue;
        const Vec3d o{RTCRayN_org_x(ray, n, i), RTCRayN_org_y(ray, n, i), RTCRayN_org_z(ray, n, i)};
        const Vec3d d{RTCRayN_dir_x(ray, n, i), RTCRayN_dir_y(ray, n, i), RTCRayN_dir_z(ray, n, i)};
        double t;
        if (sphereRayParameter(s, o, d, RTCRayN_tnear(ray, n, i), RTCRayN_tfar(ray, n, i), &t))
            RTCRayN_tfar(ray, n, i) = -std::numeric_limits<float>::infinity();
    }
}

// Embree builds with its own worker threads, whose synchronisation ThreadSanitizer cannot see
// (the library is not instrumented). Under it, builds run on the calling thread alone; traversal
// is unaffected either way.
#if defined(__SANITIZE_THREAD__)
constexpr const char* kDeviceConfig = "threads=1";
#else
constexpr const char* kDeviceConfig = nullptr;
#endif

// --- building ----------------------------------------------------------------------------------

std::string resolvePath(const std::string& file, const std::string& directory) {
    if (file.empty() || file[0] == '/' || directory.empty()) return file;
    return directory.back() == '/' ? directory + file : directory + "/" + file;
}

AffineTransform placement(const Node& object) {
    return AffineTransform::fromTRS(vectorParam(object, kObjectTranslate),
                                    vectorParam(object, kObjectRotate),
                                    vectorParam(object, kObjectScale));
}

/// The unit normal of triangle `index`, facing the side its corners turn counter-clockwise on,
/// in double precision.
Vector faceNormal(const TriangleMesh& mesh, size_t index) {
    const Vec3d p0 = toVec3d(mesh.positions[mesh.indices[3 * index]]);
    const Vec3d p1 = toVec3d(mesh.positions[mesh.indices[3 * index + 1]]);
    const Vec3d p2 = toVec3d(mesh.positions[mesh.indices[3 * index + 2]]);
    return toVector(normalized(cross(p1 - p0, p2 - p0)));
}

std::unique_ptr<Shape> buildShape(const Node& object, const std::string& meshDirectory) {
    const std::string& type = object.type->name;
    auto shape = std::make_unique<Shape>();
    shape->object = const_cast<Node*>(&object);
    shape->toWorld = placement(object);
    if (type == "sphere") {
        shape->kind = ShapeKind::Sphere;
        shape->radius = floatParam(object, kSphereRadius);
        if (!(shape->radius > 0.0) || !shape->toWorld.invert(&shape->toObject)) return nullptr;
        return shape;
    }
    if (type == "plane") {
        const float size = floatParam(object, kPlaneSize);
        if (!(size > 0.0f)) return nullptr;
        shape->mesh = planeMesh(size);
    } else if (type == "box") {
        shape->mesh = boxMesh();
    } else if (type == "mesh") {
        const ParamValue& file = object.values[kMeshFile];
        const std::string path =
            resolvePath(file.type == kTypeString && file.str ? file.str : "", meshDirectory);
        shape->mesh = loadObjMesh(path, object.name);
        // Spheres, planes and boxes are measured when the scene is read; a mesh only now.
        double reach = 0.0;
        if (const char* param = paramBeyondReach(object, &shape->mesh.positions, &reach))
            throw HostError("object '" + object.name + "': parameter '" + param + "'" +
                            (std::string(param) == "file" ? " ('" + path + "')" : "") + ": " +
                            reachProblem(reach));
    } else {
        throw HostError("object '" + object.name + "' has the type '" + type +
                        "', which is not a sphere, plane, box or mesh");
    }
    placeMesh(shape->mesh, shape->toWorld);
    shape->faceNormals.reserve(shape->mesh.triangleCount());
    for (size_t i = 0; i < shape->mesh.triangleCount(); ++i)
        shape->faceNormals.push_back(faceNormal(shape->mesh, i));
    return shape;
}

EmbreeGeometry makeEmbreeGeometry(RTCDevice device, Shape& shape) {
    if (shape.kind == ShapeKind::Sphere) {
        EmbreeGeometry geometry(rtcNewGeometry(device, RTC_GEOMETRY_TYPE_USER));
        if (!geometry) return geometry;
        rtcSetGeometryUserPrimitiveCount(geometry.get(), 1);
        rtcSetGeometryUserData(geometry.get(), &shape);
        rtcSetGeometryBoundsFunction(geometry.get(), sphereBounds, nullptr);
        rtcSetGeometryIntersectFunction(geometry.get(), sphereIntersect);
        rtcSetGeometryOccludedFunction(geometry.get(), sphereOccluded);
        return geometry;
    }
    const TriangleMesh& mesh = shape.mesh;
    EmbreeGeometry geometry(rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE));
    if (!geometry) return geometry;
    // Embree's own buffers carry the padding its vector loads need.
    auto* vertices = static_cast<float*>(
        rtcSetNewGeometryBuffer(geometry.get(), RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                3 * sizeof(float), mesh.positions.size()));
    auto* indices = static_cast<uint32_t*>(
        rtcSetNewGeometryBuffer(geometry.get(), RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                3 * sizeof(uint32_t), mesh.triangleCount()));
    // Embree has reported why (to the device's error record) when a buffer is missing.
    if (!vertices || !indices) return nullptr;
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        vertices[3 * i] = mesh.positions[i].x;
        vertices[3 * i + 1] = mesh.positions[i].y;
        vertices[3 * i + 2] = mesh.positions[i].z;
    }
    for (size_t i = 0; i < mesh.indices.size(); ++i) indices[i] = mesh.indices[i];
    return geometry;
}

void fillTriangleHit(const Shape& shape, unsigned primID, float u, float v,
                     GeometryScene::Hit* hit) {
    const TriangleMesh& mesh = shape.mesh;
    hit->geometricNormal = shape.faceNormals[primID];
    hit->shadingNormal = hit->geometricNormal;
    if (!mesh.cornerNormals.empty()) {
        const double w = 1.0 - u - v;
        const Vec3d n = toVec3d(mesh.cornerNormals[3 * primID]) * w +
                        toVec3d(mesh.cornerNormals[3 * primID + 1]) * u +
                        toVec3d(mesh.cornerNormals[3 * primID + 2]) * v;
        // Corners without normals, or normals that cancel, fall back to the face.
        const Vec3d unit = normalized(n);
        if (dot(unit, unit) > 0.5) hit->shadingNormal = toVector(unit);
    }
}

void fillSphereHit(const Shape& shape, const Vec3d& origin, const Vec3d& direction, double t,
                   GeometryScene::Hit* hit) {
    const Vec3d local =
        shape.toObject.applyPoint(origin) + shape.toObject.applyVector(direction) * t;
    const Vec3d n = normalized(shape.toObject.applyNormalOfInverse(local));
    hit->geometricNormal = hit->shadingNormal = toVector(n);
}

RTCRay makeRay(const Vector& origin, const Vector& direction, float tnear, float tfar) {
    RTCRay ray;
    ray.org_x = origin.x;
    ray.org_y = origin.y;
    ray.org_z = origin.z;
    ray.tnear = tnear;
    ray.dir_x = direction.x;
    ray.dir_y = direction.y;
    ray.dir_z = direction.z;
    ray.time = 0.0f;
    ray.tfar = tfar;
    ray.mask = 0xFFFFFFFFu;
    ray.id = 0;
    ray.flags = 0;
    return ray;
}

/// Embree asserts that no component of a ray's origin or direction is larger than its
/// largest coordinate: such a ray aborts the program rather than missing. Also false for NaN
/// components.
bool traceable(const Vector& v) {
    return std::fabs(v.x) <= kLargestCoordinate && std::fabs(v.y) <= kLargestCoordinate &&
           std::fabs(v.z) <= kLargestCoordinate;
}

/// tfar > tnear is false when either is NaN, so it tests for NaN bounds too.
bool usable(const Vector& origin, const Vector& direction, float tnear, float tfar) {
    return traceable(origin) && traceable(direction) && tfar > tnear &&
           (direction.x != 0.0f || direction.y != 0.0f || direction.z != 0.0f);
}

}  // namespace

GeometryScene::GeometryScene(const Universe& universe, const std::string& meshDirectory)
    : impl_(std::make_unique<Impl>(kDeviceConfig)) {
    EmbreeDevice& device = impl_->device;
    impl_->scene.reset(rtcNewScene(device.get()));
    device.check("making a scene");
    if (!impl_->scene) throw HostError("Embree failed while making a scene");
    RTCScene scene = impl_->scene.get();
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    for (const auto& node : universe.nodes()) {
        if (node->type->kind != kNodeShape) continue;
        std::unique_ptr<Shape> shape = buildShape(*node, meshDirectory);
        if (!shape) continue;
        const auto id = static_cast<unsigned>(impl_->shapes.size());
        Shape& kept = *impl_->shapes.emplace_back(std::move(shape));
        impl_->ids.emplace(node.get(), id);
        const EmbreeGeometry geometry = makeEmbreeGeometry(device.get(), kept);
        const std::string what = "building object '" + node->name + "'";
        device.check(what);
        if (!geometry) throw HostError("Embree failed while " + what);
        rtcCommitGeometry(geometry.get());
        rtcAttachGeometryByID(scene, geometry.get(), id);  // the scene keeps its own reference
        device.check(what);
    }
    rtcCommitScene(scene);
    device.check("building the scene of " + std::to_string(impl_->shapes.size()) + " objects");
}

GeometryScene::~GeometryScene() = default;

bool GeometryScene::rebuildObjects(const std::vector<const Node*>& objects,
                                   const std::string& meshDirectory) {
    std::vector<unsigned> ids;
    std::vector<std::unique_ptr<Shape>> built;
    for (const Node* object : objects) {
        const auto found = impl_->ids.find(object);
        if (found == impl_->ids.end()) return false;
        std::unique_ptr<Shape> shape = buildShape(*object, meshDirectory);
        if (!shape) return false;
        ids.push_back(found->second);
        built.push_back(std::move(shape));
    }
    EmbreeDevice& device = impl_->device;
    std::vector<EmbreeGeometry> geometries;
    for (size_t i = 0; i < built.size(); ++i) {
        EmbreeGeometry geometry = makeEmbreeGeometry(device.get(), *built[i]);
        const std::string what = "building object '" + objects[i]->name + "'";
        device.check(what);
        if (!geometry) throw HostError("Embree failed while " + what);
        rtcCommitGeometry(geometry.get());
        geometries.push_back(std::move(geometry));
    }
    RTCScene scene = impl_->scene.get();
    for (size_t i = 0; i < built.size(); ++i) {
        // The scene lets go of the old geometry, which points at the old shape: only then may
        // that shape go.
        rtcDetachGeometry(scene, ids[i]);
        rtcAttachGeometryByID(scene, geometries[i].get(), ids[i]);
        impl_->shapes[ids[i]] = std::move(built[i]);
    }
    rtcCommitScene(scene);
    device.check("building the scene again after " + std::to_string(objects.size()) +
                 " objects changed");
    return true;
}

size_t GeometryScene::shapeCount() const {
    return impl_->shapes.size();
}

bool GeometryScene::intersect(const Vector& origin, const Vector& direction, float tnear,
                              float tfar, Hit* hit) const {
    if (!usable(origin, direction, tnear, tfar)) return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rayhit;
    rayhit.ray = makeRay(origin, direction, tnear, tfar);
    rayhit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rayhit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(impl_->scene.get(), &context, &rayhit);
    if (rayhit.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;
    const Shape& shape = *impl_->shapes[rayhit.hit.geomID];
    const float t = rayhit.ray.tfar;
    const Vec3d o = toVec3d(origin), d = toVec3d(direction);
    hit->distance = t;
    hit->point = toVector(o + d * static_cast<double>(t));
    hit->object = shape.object;
    if (shape.kind == ShapeKind::Sphere)
        fillSphereHit(shape, o, d, t, hit);
    else
        fillTriangleHit(shape, rayhit.hit.primID, rayhit.hit.u, rayhit.hit.v, hit);
    return true;
}

bool GeometryScene::occluded(const Vector& origin, const Vector& direction, float tnear,
                             float tfar) const {
    if (!usable(origin, direction, tnear, tfar)) return false;
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRay ray = makeRay(origin, direction, tnear, tfar);
    rtcOccluded1(impl_->scene.get(), &context, &ray);
    return ray.tfar < 0.0f;
}

}  // namespace host
