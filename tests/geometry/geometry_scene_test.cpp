// The object types and the Embree scene built from them.
#include "geometry/geometry_scene.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "geometry/embree_device.h"
#include "geometry/object_reach.h"
#include "geometry/object_types.h"
#include "support/network.h"
#include "support/scratch_dir.h"
#include "universe/host_error.h"

namespace {

using host::GeometryScene;

class GeometrySceneTest : public ::testing::Test {
  protected:
    GeometrySceneTest() : net(false) { host::registerObjectTypes(net.universe().registry()); }
    Node* object(const std::string& type, const std::string& name) { return net.add(type, name); }
    test::Network net;
};

constexpr float kFar = 1e30f;

TEST_F(GeometrySceneTest, ObjectTypesDeclareShaderTransformAndOwnParameters) {
    const host::NodeTypeRegistry& registry = net.universe().registry();
    for (const char* name : {"sphere", "plane", "box", "mesh"}) {
        const host::NodeType* type = registry.find(name);
        ASSERT_NE(type, nullptr) << name;
        EXPECT_EQ(type->kind, kNodeShape);
        EXPECT_EQ(type->findParam("shader"), 0);
        EXPECT_EQ(type->params[0].defaultValue.type, kTypeNode);
        EXPECT_EQ(type->findParam("translate"), 1);
        EXPECT_EQ(type->findParam("rotate"), 2);
        EXPECT_EQ(type->findParam("scale"), 3);
    }
    EXPECT_FLOAT_EQ(registry.find("sphere")->params[4].defaultValue.flt, 1.0f);
    EXPECT_FLOAT_EQ(registry.find("plane")->params[4].defaultValue.flt, 100.0f);
    EXPECT_EQ(registry.find("mesh")->params[4].defaultValue.type, kTypeString);
    EXPECT_THROW(host::registerObjectTypes(net.universe().registry()), host::HostError);
}

TEST_F(GeometrySceneTest, SphereHitHasOutwardNormalAndDistance) {
    object("sphere", "ball");
    net.set("ball.translate", Vector{0, 0, -5}).set("ball.radius", 2.0f);
    GeometryScene scene(net.universe());
    GeometryScene::Hit hit;
    ASSERT_TRUE(scene.intersect({0, 0, 0}, {0, 0, -1}, 0.0f, kFar, &hit));
    EXPECT_NEAR(hit.distance, 3.0f, 1e-5f);
    EXPECT_NEAR(hit.point.z, -3.0f, 1e-5f);
    EXPECT_NEAR(hit.geometricNormal.z, 1.0f, 1e-6f);
    EXPECT_NEAR(hit.shadingNormal.z, 1.0f, 1e-6f);
    EXPECT_EQ(hit.object, net.node("ball"));
    // From inside, the far side, whose normal still points outward.
    ASSERT_TRUE(scene.intersect({0, 0, -5}, {0, 1, 0}, 0.0f, kFar, &hit));
    EXPECT_NEAR(hit.distance, 2.0f, 1e-5f);
    EXPECT_NEAR(hit.geometricNormal.y, 1.0f, 1e-6f);
    EXPECT_FALSE(scene.intersect({0, 0, 0}, {0, 0, 1}, 0.0f, kFar, &hit));
    EXPECT_TRUE(scene.occluded({0, 0, 0}, {0, 0, -1}, 0.0f, kFar));
    EXPECT_FALSE(scene.occluded({0, 0, 0}, {0, 0, -1}, 0.0f, 2.9f));
    EXPECT_FALSE(scene.occluded({0, 0, 0}, {1, 0, 0}, 0.0f, kFar));
}

TEST_F(GeometrySceneTest, ScaledSphereIsAnEllipsoidWithInverseTransposeNormals) {
    object("sphere", "egg");
    net.set("egg.scale", Vector{2, 1, 1});
    GeometryScene scene(net.universe());
    GeometryScene::Hit hit;
    ASSERT_TRUE(scene.intersect({-10, 0, 0}, {1, 0, 0}, 0.0f, kFar, &hit));
    EXPECT_NEAR(hit.point.x, -2.0f, 1e-5f);
    // On x^2/4 + y^2 = 1 at (sqrt 2, sqrt 0.5) the normal is along (x/4, y) = (0.3536, 0.7071).
    const float x = std::sqrt(2.0f), y = std::sqrt(0.5f);
    ASSERT_TRUE(scene.intersect({x, 5, 0}, {0, -1, 0}, 0.0f, kFar, &hit));
    EXPECT_NEAR(hit.point.y, y, 1e-5f);
    const float len = std::sqrt(x * x / 16 + y * y);
    EXPECT_NEAR(hit.geometricNormal.x, x / 4 / len, 1e-5f);
    EXPECT_NEAR(hit.geometricNormal.y, y / len, 1e-5f);
}

TEST_F(GeometrySceneTest, PlaneIsAFiniteSquareFacingUpAndTurnsWithRotate) {
    object("plane", "floor");
    net.set("floor.size", 4.0f).set("floor.translate", Vector{0, -1, 0});
    object("plane", "wall");
    net.set("wall.size", 2.0f)
        .set("wall.rotate", Vector{90, 0, 0})
        .set("wall.translate", Vector{0, 0, -10});
    GeometryScene scene(net.universe());
    GeometryScene::Hit hit;
    ASSERT_TRUE(scene.intersect({1.9f, 5, 1.9f}, {0, -1, 0}, 0.0f, kFar, &hit));
    EXPECT_EQ(hit.object, net.node("floor"));
    EXPECT_NEAR(hit.distance, 6.0f, 1e-5f);
    EXPECT_NEAR(hit.geometricNormal.y, 1.0f, 1e-6f);
    EXPECT_FALSE(scene.intersect({2.1f, 5, 0}, {0, -1, 0}, 0.0f, kFar, &hit));
    // Rotating +Y by 90 degrees about X (counter-clockwise down the axis) gives +Z.
    ASSERT_TRUE(scene.intersect({0.5f, 0.5f, 0}, {0, 0, -1}, 0.0f, kFar, &hit));
    EXPECT_EQ(hit.object, net.node("wall"));
    EXPECT_NEAR(hit.geometricNormal.z, 1.0f, 1e-6f);
}

TEST_F(GeometrySceneTest, BoxFacesPointOutwardAlsoWhenMirrored) {
    object("box", "crate");
    net.set("crate.scale", Vector{-2, 2, 2});
    GeometryScene scene(net.universe());
    GeometryScene::Hit hit;
    const Vector origins[] = {{5, 0.3f, 0.2f},  {-5, 0.3f, 0.2f}, {0.3f, 5, 0.2f},
                              {0.3f, -5, 0.2f}, {0.3f, 0.2f, 5},  {0.3f, 0.2f, -5}};
    for (const Vector& o : origins) {
        const Vector d{-o.x / 5 * (std::fabs(o.x) > 1), -o.y / 5 * (std::fabs(o.y) > 1),
                       -o.z / 5 * (std::fabs(o.z) > 1)};
        ASSERT_TRUE(scene.intersect(o, d, 0.0f, kFar, &hit));
        EXPECT_NEAR(hit.distance, 4.0f, 1e-5f);
        const float outward = hit.geometricNormal.x * -d.x + hit.geometricNormal.y * -d.y +
                              hit.geometricNormal.z * -d.z;
        EXPECT_NEAR(outward, 1.0f, 1e-6f);
    }
}

TEST_F(GeometrySceneTest, MeshFromObjUsesItsVertexNormals) {
    const test::ScratchDir scratch;
    const std::string path = scratch.write("tri.obj",
                                           "v -1 -1 0\nv 1 -1 0\nv 0 1 0\n"
                                           "vn -1 0 1\nvn 1 0 1\nvn 0 0 1\n"
                                           "f 1//1 2//2 3//3\n");
    object("mesh", "tri");
    net.setValue("tri.file", host::ParamValue::makeString(net.universe().intern(path)));
    net.set("tri.translate", Vector{0, 0, -2});
    GeometryScene scene(net.universe());
    GeometryScene::Hit hit;
    ASSERT_TRUE(scene.intersect({0.5f, -0.5f, 0}, {0, 0, -1}, 0.0f, kFar, &hit));
    EXPECT_NEAR(hit.distance, 2.0f, 1e-5f);
    EXPECT_NEAR(hit.geometricNormal.z, 1.0f, 1e-6f);
    EXPECT_GT(hit.shadingNormal.x, 0.1f);  // leans towards the (1, 0, 1) corner
    EXPECT_NEAR(hit.shadingNormal.x * hit.shadingNormal.x +
                    hit.shadingNormal.y * hit.shadingNormal.y +
                    hit.shadingNormal.z * hit.shadingNormal.z,
                1.0f, 1e-5f);
}

// A mesh's "mtllib" may name anything, a device that never ends among them; objects take their
// shaders from the scene, so the material file is never opened. Here it is a pipe whose writer
// waits to be opened: had the loader opened it for reading, the writer would have got through.
TEST_F(GeometrySceneTest, MeshNeverOpensItsMaterialFile) {
    const test::ScratchDir scratch;
    const std::string pipe = scratch.path("materials.mtl").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string path = scratch.write(
        "tri.obj", "mtllib " + pipe + "\nusemtl red\nv -1 -1 0\nv 1 -1 0\n" + "v 0 1 0\nf 1 2 3\n");
    std::atomic<bool> opened{false};
    std::thread writer([&] {
        const int fd = ::open(pipe.c_str(), O_WRONLY);  // until someone reads
        opened = true;
        if (fd >= 0) {
            const char line[] = "newmtl red\n";
            (void)!::write(fd, line, sizeof line - 1);
            ::close(fd);
        }
    });
    object("mesh", "tri");
    net.setValue("tri.file", host::ParamValue::makeString(net.universe().intern(path)));
    const GeometryScene scene(net.universe());
    const bool loaderOpenedIt = opened;
    // Release the writer: a reader that opens without waiting lets its open return.
    const int release = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    if (release >= 0) ::close(release);
    EXPECT_FALSE(loaderOpenedIt);
    GeometryScene::Hit hit;
    EXPECT_TRUE(scene.intersect({0, 0, 1}, {0, 0, -1}, 0.0f, kFar, &hit));
}

TEST_F(GeometrySceneTest, MeshThatDoesNotLoadNamesTheObject) {
    object("sphere", "built");  // made before the failure, and released with it
    object("mesh", "teapot");
    net.setValue("teapot.file",
                 host::ParamValue::makeString(net.universe().intern("/nonexistent/teapot.obj")));
    try {
        GeometryScene scene(net.universe());
        FAIL() << "built a scene with a missing mesh";
    } catch (const host::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("teapot"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("/nonexistent/teapot.obj"), std::string::npos);
    }
}

TEST(EmbreeDevice, ErrorsAreReportedOnceWithWhatWasBeingBuilt) {
    host::EmbreeDevice device(nullptr);
    EXPECT_NO_THROW(device.check("doing nothing"));
    EXPECT_EQ(rtcNewGeometry(device.get(), static_cast<RTCGeometryType>(-1)), nullptr);
    try {
        device.check("building object 'odd'");
        FAIL() << "Embree's error was lost";
    } catch (const host::HostError& error) {
        const std::string what = error.what();
        EXPECT_NE(what.find("building object 'odd'"), std::string::npos) << what;
        EXPECT_NE(what.find("invalid geometry type"), std::string::npos) << what;  // Embree's words
    }
    EXPECT_NO_THROW(device.check("the next step"));
}

TEST(EmbreeDevice, DeviceEmbreeWillNotStartIsAHostError) {
    try {
        host::EmbreeDevice device("threads=abc");  // Embree refuses to parse it
        FAIL() << "Embree started with a configuration it cannot read";
    } catch (const host::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("Embree could not start"), std::string::npos)
            << error.what();
    }
}

TEST_F(GeometrySceneTest, DegenerateObjectsAndRaysMissWithoutFailing) {
    object("sphere", "flat");
    net.set("flat.scale", Vector{1, 0, 1});
    object("sphere", "none");
    net.set("none.radius", -1.0f);
    object("plane", "tiny");
    net.set("tiny.size", 0.0f);
    object("sphere", "ball");
    GeometryScene scene(net.universe());
    EXPECT_EQ(scene.shapeCount(), 1u);
    GeometryScene::Hit hit;
    const float nan = std::nanf("");
    const float inf = INFINITY;
    EXPECT_FALSE(scene.intersect({nan, 0, 5}, {0, 0, -1}, 0.0f, kFar, &hit));
    EXPECT_FALSE(scene.intersect({0, 0, 5}, {0, inf, -1}, 0.0f, kFar, &hit));
    EXPECT_FALSE(scene.intersect({0, 0, 5}, {0, 0, 0}, 0.0f, kFar, &hit));
    EXPECT_FALSE(scene.occluded({0, 0, 5}, {0, 0, -1}, 0.0f, nan));
    EXPECT_FALSE(scene.occluded({0, 0, 5}, {0, 0, -1}, nan, kFar));
    EXPECT_FALSE(scene.intersect({0, 0, 5}, {0, 0, -1}, nan, kFar, &hit));
    EXPECT_TRUE(scene.occluded({0, 0, 5}, {0, 0, -1}, 0.0f, kFar));
}

// The reach the scene check allows is Embree's own: a plane and a sphere just inside it are
// hit, and a little more is refused, naming the parameter.
TEST_F(GeometrySceneTest, GeometryJustInsideTheLargestCoordinateIsHitAndBeyondItRefused) {
    const float edge = std::nextafter(host::kLargestCoordinate, 0.0f);
    Node* floor = object("plane", "floor");
    net.set("floor.size", 2 * edge);
    Node* ball = object("sphere", "ball");
    net.set("ball.radius", edge / 1.00001f);  // its bounds are widened by a float's rounding
    double reach = 0;
    EXPECT_EQ(host::paramBeyondReach(*floor, nullptr, &reach), nullptr);
    EXPECT_EQ(host::paramBeyondReach(*ball, nullptr, &reach), nullptr);
    {
        GeometryScene scene(net.universe());
        GeometryScene::Hit hit;
        ASSERT_TRUE(scene.intersect({0, 1, 0}, {0, -1, 0}, 0.0f, kFar, &hit));
        EXPECT_EQ(hit.object, floor);
        ASSERT_TRUE(scene.intersect({0, 1, 0}, {0, 1, 0}, 0.0f, 1e19f, &hit));
        EXPECT_EQ(hit.object, ball);  // seen from inside: its top, far up
    }
    net.set("floor.size", 2 * host::kLargestCoordinate);
    EXPECT_STREQ(host::paramBeyondReach(*floor, nullptr, &reach), "size");
    net.set("ball.scale", Vector{1, 1.5f, 1});
    EXPECT_STREQ(host::paramBeyondReach(*ball, nullptr, &reach), "scale");
}

TEST_F(GeometrySceneTest, NonFiniteTransformIsAnErrorNamingTheObject) {
    object("box", "broken");
    net.set("broken.translate", Vector{0, std::nanf(""), 0});
    try {
        GeometryScene scene(net.universe());
        FAIL();
    } catch (const host::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("broken"), std::string::npos);
    }
}

}  // namespace
