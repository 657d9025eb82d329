// A scene of production scale, generated at run time: procedural meshes (a terrain and displaced
// spheres) written as OBJ files, lights that each carry a blocker, glossy trace families on half
// the surfaces and nested radio stations feeding the others' colours. The benchmarks render it
// as orv-render does; nothing of it is kept in the source tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct ShotParams {
    int64_t triangles = 1'500'000;  ///< about this many, shared by the terrain and the spheres
    int lights = 16;                ///< each with a blocker of its own
    int glossySamples = 8;          ///< rays per evaluation of each glossy trace family
    int spheres = 8;                ///< half glossy (probes and reflections), half radio-coloured
    int width = 1280;
    int height = 720;
    int samples = 16;  ///< camera samples per pixel
    int rayDepth = 2;
};

/// What makeShot wrote.
struct ShotFiles {
    std::string scene;                ///< the scene file
    std::vector<std::string> meshes;  ///< its OBJ files, the terrain's first
    int64_t triangles = 0;            ///< in all the meshes
    uint64_t meshBytes = 0;           ///< the OBJ files' size, together
};

/// Writes the shot's meshes and scene into `folder` (which must exist) and returns the scene's
/// path. The same parameters give the same files. Throws std::runtime_error when a file cannot
/// be written.
std::string makeShot(const std::string& folder, const ShotParams& params = {},
                     ShotFiles* files = nullptr);

/// A fresh folder under the system's temporary folder, removed with everything in it when the
/// object goes.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& stem);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace bench
