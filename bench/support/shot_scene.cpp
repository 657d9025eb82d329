#include "support/shot_scene.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace bench {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTerrainSize = 48.0;
constexpr double kSphereRadius = 1.6;

struct P3 {
    double x, y, z;
};
P3 operator-(const P3& a, const P3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P3 cross(const P3& a, const P3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
P3 unit(const P3& a) {
    const double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return n > 0 ? P3{a.x / n, a.y / n, a.z / n} : P3{0, 1, 0};
}

/// Rolling hills with a finer ripple: the terrain's height and its slope.
double terrainHeight(double x, double z) {
    return 0.6 * std::sin(0.35 * x) * std::cos(0.3 * z) + 0.25 * std::sin(1.1 * x + 0.7 * z) +
           0.08 * std::sin(3.7 * x) * std::sin(4.1 * z);
}
P3 terrainNormal(double x, double z) {
    const double dx = 0.6 * 0.35 * std::cos(0.35 * x) * std::cos(0.3 * z) +
                      0.25 * 1.1 * std::cos(1.1 * x + 0.7 * z) +
                      0.08 * 3.7 * std::cos(3.7 * x) * std::sin(4.1 * z);
    const double dz = -0.6 * 0.3 * std::sin(0.35 * x) * std::sin(0.3 * z) +
                      0.25 * 0.7 * std::cos(1.1 * x + 0.7 * z) +
                      0.08 * 4.1 * std::sin(3.7 * x) * std::cos(4.1 * z);
    return unit({-dx, 1.0, -dz});
}

/// An OBJ file written through one buffer: positions, their normals, and triangles whose
/// corners take the normal of the same index.
class ObjWriter {
  public:
    explicit ObjWriter(const std::string& path) : path_(path), out_(path, std::ios::binary) {
        if (!out_) throw std::runtime_error("cannot write " + path);
        buffer_.reserve(kFlushAt + 256);
    }
    void vertex(const char* tag, const P3& p) {
        buffer_ += tag;
        number(p.x);
        number(p.y);
        number(p.z);
        buffer_ += '\n';
        flushIfFull();
    }
    /// Indices from 0; the file counts from 1.
    void triangle(int64_t a, int64_t b, int64_t c) {
        buffer_ += 'f';
        for (const int64_t i : {a, b, c}) {
            char text[48];
            char* end = std::to_chars(text, text + 20, i + 1).ptr;
            *end++ = '/';
            *end++ = '/';
            end = std::to_chars(end, text + 48, i + 1).ptr;
            buffer_ += ' ';
            buffer_.append(text, end);
        }
        buffer_ += '\n';
        ++triangles_;
        flushIfFull();
    }
    /// Finishes the file; returns its size in bytes.
    uint64_t close() {
        flush();
        out_.close();
        if (!out_) throw std::runtime_error("cannot write " + path_);
        return written_;
    }
    int64_t triangles() const { return triangles_; }

  private:
    static constexpr size_t kFlushAt = 1 << 20;
    void number(double v) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, static_cast<float>(v),
                                          std::chars_format::fixed, 5);
        buffer_ += ' ';
        buffer_.append(text, result.ptr);
    }
    void flushIfFull() {
        if (buffer_.size() >= kFlushAt) flush();
    }
    void flush() {
        out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        written_ += buffer_.size();
        buffer_.clear();
    }
    std::string path_;
    std::ofstream out_;
    std::string buffer_;
    uint64_t written_ = 0;
    int64_t triangles_ = 0;
};

/// A square grid of `cells` x `cells` quads over the terrain, in world space.
uint64_t writeTerrain(const std::string& path, int cells, int64_t* triangles) {
    ObjWriter obj(path);
    const int n = cells + 1;
    std::vector<P3> normals;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double x = kTerrainSize * (static_cast<double>(i) / cells - 0.5);
            const double z = kTerrainSize * (static_cast<double>(j) / cells - 0.5);
            obj.vertex("v", {x, terrainHeight(x, z), z});
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double x = kTerrainSize * (static_cast<double>(i) / cells - 0.5);
            const double z = kTerrainSize * (static_cast<double>(j) / cells - 0.5);
            obj.vertex("vn", terrainNormal(x, z));
        }
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const int64_t a = int64_t{j} * n + i, b = a + 1, c = a + n, d = c + 1;
            // Facing +Y: counter-clockwise seen from above.
            obj.triangle(a, c, d);
            obj.triangle(a, d, b);
        }
    *triangles = obj.triangles();
    return obj.close();
}

/// A unit sphere pushed in and out by a few waves (phases from `seed`), `rings` bands of
/// 2 x `rings` segments, with vertex normals averaged from the faces around each vertex.
uint64_t writeSphere(const std::string& path, int rings, int seed, int64_t* triangles) {
    const int segments = 2 * rings;
    const double p1 = 0.7 * seed, p2 = 1.3 * seed, p3 = 2.1 * seed;
    auto radius = [&](double theta, double phi) {
        return 1.0 + 0.10 * std::sin(5 * theta + p1) * std::sin(4 * phi + p2) +
               0.04 * std::sin(17 * theta + p3) * std::cos(13 * phi);
    };
    std::vector<P3> points;
    points.reserve(static_cast<size_t>(rings - 1) * segments + 2);
    points.push_back({0, radius(0, 0), 0});  // north pole
    for (int j = 1; j < rings; ++j) {
        const double theta = kPi * j / rings;
        for (int i = 0; i < segments; ++i) {
            const double phi = 2 * kPi * i / segments;
            const double r = radius(theta, phi);
            points.push_back({r * std::sin(theta) * std::cos(phi), r * std::cos(theta),
                              r * std::sin(theta) * std::sin(phi)});
        }
    }
    points.push_back({0, -radius(kPi, 0), 0});  // south pole
    const int64_t south = static_cast<int64_t>(points.size()) - 1;
    auto at = [&](int ring, int segment) {  // ring 1 .. rings-1
        return 1 + int64_t{ring - 1} * segments + (segment % segments);
    };
    std::vector<int64_t> corners;
    corners.reserve(static_cast<size_t>(segments) * (rings - 1) * 6);
    // Counter-clockwise seen from outside: with y up and phi turning from +X to +Z.
    for (int i = 0; i < segments; ++i) {
        corners.insert(corners.end(), {0, at(1, i + 1), at(1, i)});
        corners.insert(corners.end(), {south, at(rings - 1, i), at(rings - 1, i + 1)});
    }
    for (int j = 1; j + 1 < rings; ++j)
        for (int i = 0; i < segments; ++i) {
            const int64_t a = at(j, i), b = at(j, i + 1), c = at(j + 1, i), d = at(j + 1, i + 1);
            corners.insert(corners.end(), {a, b, d, a, d, c});
        }
    std::vector<P3> normals(points.size(), P3{0, 0, 0});
    for (size_t t = 0; t < corners.size(); t += 3) {
        const P3 n = cross(points[corners[t + 1]] - points[corners[t]],
                           points[corners[t + 2]] - points[corners[t]]);
        for (int k = 0; k < 3; ++k) {
            P3& sum = normals[corners[t + k]];
            sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
        }
    }
    ObjWriter obj(path);
    for (const P3& p : points) obj.vertex("v", p);
    for (const P3& n : normals) obj.vertex("vn", unit(n));
    for (size_t t = 0; t < corners.size(); t += 3)
        obj.triangle(corners[t], corners[t + 1], corners[t + 2]);
    *triangles = obj.triangles();
    return obj.close();
}

std::string vec(double x, double y, double z) {
    char text[96];
    std::snprintf(text, sizeof text, "[%.4g, %.4g, %.4g]", x, y, z);
    return text;
}

/// The shared shading network: the sky, the glossy families, and the nested stations whose
/// receivers colour the terrain and the radio spheres.
std::string shotNodes(int glossySamples) {
    const std::string family = std::to_string(std::max(glossySamples, 1));
    return R"(
    {"type": "environment", "name": "sky", "color": [0.75, 0.72, 0.68],
     "zenith": [0.18, 0.32, 0.7], "nadir": [0.12, 0.1, 0.09]},

    {"type": "orv_trace", "name": "occlusion", "rayType": 0, "direction": 1, "glossy": true,
     "samples": )" +
           family +
           R"(, "spread": 0.6, "onHitColor": [0.15, 0.15, 0.18], "onNoHitColor": [0.85, 0.8, 0.7]},
    {"type": "lambert", "name": "occlusionSurface", "color": {"link": "occlusion"}},
    {"type": "orv_trace", "name": "reflection", "rayType": 1, "direction": 1, "glossy": true,
     "samples": )" +
           family +
           R"(, "spread": 0.12},
    {"type": "flat", "name": "reflectionSurface", "color": {"link": "reflection"}},

    {"type": "orv_radio_station", "name": "groundStation", "color": {"link": "groundChecker"},
     "colors0": [0.42, 0.5, 0.3, 1], "color0Freq": 1, "scalars0": 0.7, "scalar0Freq": 2},
    {"type": "orv_radio_color", "name": "rxGrass", "frequency": 1},
    {"type": "orv_radio_scalar", "name": "rxGroundTiles", "scalar": 1, "frequency": 2},
    {"type": "checker", "name": "groundChecker", "color1": {"link": "rxGrass"},
     "color2": [0.4, 0.34, 0.28], "frequency": {"link": "rxGroundTiles"}},
    {"type": "lambert", "name": "groundSurface", "color": {"link": "groundStation"}},

    {"type": "orv_radio_station", "name": "outerStation", "color": {"link": "radioChecker"},
     "colors0": [1.0, 0.5, 0.1, 1], "color0Freq": 1, "scalars0": 3, "scalar0Freq": 2,
     "integers0": 1, "integer0Freq": 3, "booleans0": true, "boolean0Freq": 4,
     "vectors0": [0.3, 1, 0], "vector0Freq": 5},
    {"type": "orv_radio_color", "name": "rxOrange", "frequency": 1},
    {"type": "orv_radio_scalar", "name": "rxStripes", "scalar": 1, "frequency": 2},
    {"type": "checker", "name": "radioChecker", "color1": {"link": "rxOrange"},
     "color2": {"link": "innerStation"}, "frequency": {"link": "rxStripes"}},
    {"type": "orv_radio_station", "name": "innerStation", "color": {"link": "radioGlow"},
     "colors0": [0.1, 0.75, 0.7, 1], "color0Freq": 1},
    {"type": "orv_radio_color", "name": "rxTeal", "frequency": 1},
    {"type": "orv_radio_integer", "name": "rxMode", "integer": 0, "frequency": 3},
    {"type": "orv_radio_boolean", "name": "rxReflect", "frequency": 4},
    {"type": "orv_radio_vector", "name": "rxUp", "vector": [0, 1, 0], "frequency": 5},
    {"type": "environment", "name": "radioGlow", "mode": {"link": "rxMode"},
     "color": [0.05, 0.2, 0.25], "zenith": {"link": "rxTeal"}, "nadir": [0.02, 0.05, 0.1],
     "up": {"link": "rxUp"}, "reflect": {"link": "rxReflect"}},
    {"type": "lambert", "name": "radioSurface", "color": {"link": "outerStation"}})";
}

/// Light i of `count` on a ring above the terrain, spots and points in turn, and its blocker:
/// every shape, decay powers 0 to 3, positive and negative, every fifth muted, placed on the
/// ground beneath so that points lie inside, in the ramp and outside.
void addLight(int i, int count, std::string& lights, std::string& blockers) {
    const double angle = 2 * kPi * i / count;
    const double x = 14 * std::cos(angle), y = 9 + 2 * (i % 3), z = 14 * std::sin(angle) + 4;
    const std::string name = "light" + std::to_string(i);
    const std::string blocker = "blocker" + std::to_string(i);
    const double intensity = 700.0 / count;
    char light[512];
    if (i % 2 == 0)
        std::snprintf(light, sizeof light,
                      R"(    {"type": "spot", "name": "%s", "position": %s, "direction": %s,)"
                      R"( "coneAngle": 75, "penumbraAngle": 15, "intensity": %.4g,)"
                      R"( "color": %s, "filters": ["%s"]})",
                      name.c_str(), vec(x, y, z).c_str(), vec(-x, -y, -z).c_str(), intensity,
                      vec(1, 0.95, 0.9).c_str(), blocker.c_str());
    else
        std::snprintf(light, sizeof light,
                      R"(    {"type": "point", "name": "%s", "position": %s, "intensity": %.4g,)"
                      R"( "color": %s, "filters": ["%s"]})",
                      name.c_str(), vec(x, y, z).c_str(), intensity, vec(0.8, 0.85, 1).c_str(),
                      blocker.c_str());
    char filter[512];
    const double bx = 7 * std::cos(angle + 0.5), bz = 7 * std::sin(angle + 0.5);
    std::snprintf(filter, sizeof filter,
                  R"(    {"type": "orv_blocker", "name": "%s", "bType": %d, "bDecayPower": %d,)"
                  R"( "bPositive": %s, "mute": %s, "bScale": %s, "bRot": %s, "bTransl": %s,)"
                  R"( "bExtraScale": 1.8, "bFilter": %s})",
                  blocker.c_str(), i % 4, (i / 4) % 4, (i / 2) % 2 == 0 ? "true" : "false",
                  i % 5 == 3 ? "true" : "false", vec(3, 3, 3).c_str(),
                  vec(20 * (i % 3), 30 * i, 0).c_str(), vec(bx, terrainHeight(bx, bz), bz).c_str(),
                  vec(0.1 + 0.05 * (i % 4), 0.15, 0.3).c_str());
    lights += std::string(lights.empty() ? "" : ",\n") + light;
    blockers += std::string(",\n") + filter;
}

}  // namespace

std::string makeShot(const std::string& folder, const ShotParams& params, ShotFiles* files) {
    namespace fs = std::filesystem;
    ShotFiles made;
    const int spheres = std::max(params.spheres, 0);
    const int64_t total = std::max<int64_t>(params.triangles, 200);
    // Half the triangles in the terrain (2 per cell), half shared by the spheres (about
    // 4 rings^2 each).
    const int cells = std::max(2, static_cast<int>(std::sqrt(static_cast<double>(total) / 4)));
    const int rings =
        spheres > 0
            ? std::max(3, static_cast<int>(std::sqrt(static_cast<double>(total) / (8.0 * spheres))))
            : 3;

    const std::string terrain = (fs::path(folder) / "terrain.obj").string();
    int64_t triangles = 0;
    made.meshBytes += writeTerrain(terrain, cells, &triangles);
    made.triangles += triangles;
    made.meshes.push_back(terrain);

    std::string objects = R"(    {"type": "mesh", "name": "terrain", "file": "terrain.obj",)"
                          R"( "shader": "groundSurface"})";
    for (int s = 0; s < spheres; ++s) {
        const std::string file = "sphere" + std::to_string(s) + ".obj";
        const std::string path = (fs::path(folder) / file).string();
        made.meshBytes += writeSphere(path, rings, s + 1, &triangles);
        made.triangles += triangles;
        made.meshes.push_back(path);
        const double x = -11 + 22 * (s + 0.5) / spheres, z = s % 2 == 0 ? -1.5 : 2.5;
        // Even spheres glossy, probes and reflections in turn; odd ones coloured by the radio.
        const char* shader = s % 2 == 1         ? "radioSurface"
                             : (s / 2) % 2 == 0 ? "occlusionSurface"
                                                : "reflectionSurface";
        objects += ",\n    {\"type\": \"mesh\", \"name\": \"ball" + std::to_string(s) +
                   "\", \"file\": \"" + file + "\", \"shader\": \"" + shader +
                   "\", \"translate\": " + vec(x, terrainHeight(x, z) + 0.9 * kSphereRadius, z) +
                   ", \"scale\": " + vec(kSphereRadius, kSphereRadius, kSphereRadius) + "}";
    }

    std::string lights, blockers;
    for (int i = 0; i < params.lights; ++i) addLight(i, params.lights, lights, blockers);

    const std::string scene = (fs::path(folder) / "shot.json").string();
    std::ofstream out(scene);
    out << "{\n  \"options\": {\"xres\": " << params.width << ", \"yres\": " << params.height
        << ", \"samples\": " << params.samples << ", \"rayDepth\": " << params.rayDepth
        << ", \"background\": \"sky\"},\n"
        << R"(  "camera": {"position": [0, 7, 24], "lookAt": [0, 0.5, 0], "fov": 38},)"
        << "\n  \"objects\": [\n"
        << objects << "\n  ],\n  \"lights\": [\n"
        << lights << "\n  ],\n  \"nodes\": [" << shotNodes(params.glossySamples) << blockers
        << "\n  ]\n}\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write " + scene);
    made.scene = scene;
    if (files) *files = made;
    return scene;
}

TemporaryFolder::TemporaryFolder(const std::string& stem) {
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
        const fs::path candidate =
            base / (stem + "-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
