// Embree's objects in owning handles, and a device whose errors are reported, not lost.
#pragma once

#include <embree3/rtcore.h>

#include <memory>
#include <mutex>
#include <string>

namespace host {

struct ReleaseEmbreeScene {
    void operator()(RTCScene scene) const { rtcReleaseScene(scene); }
};
struct ReleaseEmbreeGeometry {
    void operator()(RTCGeometry geometry) const { rtcReleaseGeometry(geometry); }
};
struct ReleaseEmbreeDevice {
    void operator()(RTCDevice device) const { rtcReleaseDevice(device); }
};
using EmbreeScene = std::unique_ptr<RTCSceneTy, ReleaseEmbreeScene>;
using EmbreeGeometry = std::unique_ptr<RTCGeometryTy, ReleaseEmbreeGeometry>;

/// An Embree device that keeps the first error Embree reports on it (from any thread: builds
/// run on Embree's own workers) until the builder checks. Not movable: Embree holds its address.
class EmbreeDevice {
  public:
    /// Throws HostError when Embree will not start.
    explicit EmbreeDevice(const char* config);
    EmbreeDevice(const EmbreeDevice&) = delete;
    EmbreeDevice& operator=(const EmbreeDevice&) = delete;

    RTCDevice get() const { return device_.get(); }
    /// Throws HostError for an error reported since the last check, naming `what` the calls
    /// since then were doing ("building object 'ball'"), Embree's message and the error's kind.
    void check(const std::string& what);

  private:
    static void report(void* self, RTCError code, const char* message);

    std::mutex mutex_;
    RTCError code_ = RTC_ERROR_NONE;
    std::string message_;
    std::unique_ptr<RTCDeviceTy, ReleaseEmbreeDevice> device_;  ///< last: released first
};

}  // namespace host
