#include "geometry/embree_device.h"

#include "universe/host_error.h"

namespace host {

namespace {

const char* errorKind(RTCError code) {
    switch (code) {
        case RTC_ERROR_INVALID_ARGUMENT:
            return "invalid argument";
        case RTC_ERROR_INVALID_OPERATION:
            return "invalid operation";
        case RTC_ERROR_OUT_OF_MEMORY:
            return "out of memory";
        case RTC_ERROR_UNSUPPORTED_CPU:
            return "unsupported CPU";
        case RTC_ERROR_CANCELLED:
            return "cancelled";
        default:
            return "unknown error";
    }
}

}  // namespace

EmbreeDevice::EmbreeDevice(const char* config) : device_(rtcNewDevice(config)) {
    if (!device_)
        throw HostError(std::string("Embree could not start: ") +
                        errorKind(rtcGetDeviceError(nullptr)));
    rtcSetDeviceErrorFunction(device_.get(), report, this);
}

void EmbreeDevice::report(void* self, RTCError code, const char* message) {
    auto& device = *static_cast<EmbreeDevice*>(self);
    std::lock_guard<std::mutex> lock(device.mutex_);
    if (device.code_ != RTC_ERROR_NONE) return;
    device.code_ = code;
    device.message_ = message ? message : "";
}

void EmbreeDevice::check(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (code_ == RTC_ERROR_NONE) return;
    const std::string text = "Embree failed while " + what + ": " +
                             (message_.empty() ? std::string() : message_ + " ") + "(" +
                             errorKind(code_) + ")";
    code_ = RTC_ERROR_NONE;
    message_.clear();
    throw HostError(text);
}

}  // namespace host
