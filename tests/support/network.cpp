#include "support/network.h"

#include <stdexcept>

#include "shading/network.h"
#include "universe/plugin_loader.h"

namespace test {

host::ParamValue value(bool v) {
    return host::ParamValue::makeBool(v);
}
host::ParamValue value(int v) {
    return host::ParamValue::makeInt(v);
}
host::ParamValue value(float v) {
    return host::ParamValue::makeFloat(v);
}
host::ParamValue value(double v) {
    return host::ParamValue::makeFloat(static_cast<float>(v));
}
host::ParamValue value(RGB v) {
    return host::ParamValue::makeRGB(v.r, v.g, v.b);
}
host::ParamValue value(RGBA v) {
    return host::ParamValue::makeRGBA(v.r, v.g, v.b, v.a);
}
host::ParamValue value(Vector v) {
    return host::ParamValue::makeVector(v.x, v.y, v.z);
}

namespace {
std::pair<std::string, std::string> splitParam(const std::string& nodeDotParam) {
    const size_t dot = nodeDotParam.find('.');
    if (dot == std::string::npos)
        throw std::invalid_argument("expected node.param: " + nodeDotParam);
    return {nodeDotParam.substr(0, dot), nodeDotParam.substr(dot + 1)};
}
}  // namespace

Network::Network(bool loadPlugin) {
    if (loadPlugin) universe_.loadPlugin(host::defaultPluginPath());
}

Node* Network::add(const std::string& type, const std::string& name) {
    return universe_.createNode(type, name);
}

Node* Network::node(const std::string& name) const {
    Node* found = universe_.findNode(name);
    if (!found) throw std::invalid_argument("no node named " + name);
    return found;
}

Network& Network::setValue(const std::string& nodeDotParam, const host::ParamValue& v) {
    auto [nodeName, param] = splitParam(nodeDotParam);
    universe_.setParam(node(nodeName), param, v);
    return *this;
}

Network& Network::link(const std::string& nodeDotParam, const std::string& source) {
    auto [nodeName, param] = splitParam(nodeDotParam);
    universe_.link(node(nodeName), param, node(source));
    return *this;
}

Network& Network::setThreads(int threads) {
    universe_.setParam(universe_.options(), "threads", host::ParamValue::makeInt(threads));
    return *this;
}

host::ThreadContext& Network::thread(int index) {
    while (static_cast<int>(threads_.size()) <= index)
        threads_.push_back(
            std::make_unique<host::ThreadContext>(static_cast<uint8_t>(threads_.size())));
    return *threads_[index];
}

ShaderGlobals Network::evaluateGlobals(const std::string& name, ShaderGlobals sg, int thread) {
    prepare();
    host::SampleScope scope(this->thread(thread), sg, world_);
    host::evaluateNode(node(name), &sg);
    sg.host = nullptr;  // the sample ends with the scope
    return sg;
}

ShaderValue Network::evaluate(const std::string& name, ShaderGlobals sg, int thread) {
    return evaluateGlobals(name, sg, thread).out;
}

}  // namespace test
