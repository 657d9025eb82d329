// The OBJ reader against tinyobjloader, which it replaced: the same mesh to the bit.
#include "geometry/obj_reader.h"

#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "universe/host_error.h"

namespace {

/// The mesh as the host made it from tinyobjloader's reading.
host::TriangleMesh readWithTinyObj(const std::string& text) {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    std::istringstream in(text);
    EXPECT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, nullptr, true))
        << err;
    host::TriangleMesh mesh;
    for (size_t i = 0; i + 2 < attrib.vertices.size(); i += 3)
        mesh.positions.push_back(
            {attrib.vertices[i], attrib.vertices[i + 1], attrib.vertices[i + 2]});
    const size_t normalCount = attrib.normals.size() / 3;
    bool anyNormal = false;
    for (const tinyobj::shape_t& shape : shapes)
        for (const tinyobj::index_t& corner : shape.mesh.indices) {
            mesh.indices.push_back(static_cast<uint32_t>(corner.vertex_index));
            const int n = corner.normal_index;
            const bool has = n >= 0 && static_cast<size_t>(n) < normalCount;
            anyNormal = anyNormal || has;
            mesh.cornerNormals.push_back(has ? Vector{attrib.normals[3 * n],
                                                      attrib.normals[3 * n + 1],
                                                      attrib.normals[3 * n + 2]}
                                             : Vector{0, 0, 0});
        }
    if (!anyNormal) mesh.cornerNormals.clear();
    return mesh;
}

bool sameBits(const std::vector<Vector>& a, const std::vector<Vector>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Vector)) == 0;
}

/// Numbers in the forms files hold them: shortest floats, seventeen digits, long fractions,
/// exponents of either case and sign, a point first or last, signs, integers.
class NumberWriter {
  public:
    explicit NumberWriter(uint32_t seed) : random_(seed) {}
    std::string operator()() {
        const double x = std::uniform_real_distribution<double>(-3, 3)(random_);
        const double scale = std::pow(10.0, std::uniform_int_distribution<int>(-12, 12)(random_));
        char text[96];
        switch (std::uniform_int_distribution<int>(0, 9)(random_)) {
            case 0:
                return std::to_string(static_cast<int>(x * 1000));
            case 1:
                return std::string(text, std::to_chars(text, text + 96, static_cast<float>(x)).ptr);
            case 2:
                std::snprintf(text, sizeof text, "%.17g", x * scale);
                return text;
            case 3:
                std::snprintf(text, sizeof text, "%.30f", x);
                return text;
            case 4:
                std::snprintf(text, sizeof text, "%.9e", x * scale);
                return text;
            case 5:
                std::snprintf(text, sizeof text, "%.4E", x * scale * 1e20);
                return text;
            case 6:
                return x < 0 ? "-.5" : "+.25e1";
            case 7:
                return std::to_string(static_cast<int>(x * 10)) + ".";
            case 8:
                std::snprintf(text, sizeof text, "%.40f", x * 1e-25);
                return text;
            default:
                std::snprintf(text, sizeof text, "%.6f", x);
                return text;
        }
    }

  private:
    std::mt19937 random_;
};

/// A file of every form the reader takes: positions with weights or colours, normals, texture
/// coordinates, faces of 3 to 9 corners in the four corner forms with absolute and relative
/// indices, missing and out-of-range normals, comments, groups, materials, CRLF and tabs, and
/// the odd forms the loader read without a word.
std::string generatedObj(uint32_t seed) {
    std::mt19937 random(seed);
    NumberWriter number(seed + 1);
    auto pick = [&random](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    std::string text = "# generated\nmtllib none.mtl\no thing\n";
    int vertices = 0;
    int normals = 0;
    for (int block = 0; block < 60; ++block) {
        const char* eol = pick(0, 3) == 0 ? "\r\n" : "\n";
        for (int i = pick(3, 12); i > 0; --i, ++vertices) {
            text += pick(0, 5) == 0 ? "v\t" : "v ";
            text += number() + " " + number() + "  " + number();
            if (pick(0, 6) == 0) text += " " + number();  // w
            if (pick(0, 6) == 0) text += " 0.5 0.25 1";   // colour
            text += eol;
        }
        for (int i = pick(0, 4); i > 0; --i, ++normals)
            text += "vn " + number() + " " + number() + " " + number() + eol;
        text += "vt 0.5 0.5" + std::string(eol);
        if (pick(0, 4) == 0)
            text +=
                "g part" + std::to_string(block) + eol + "s " + (pick(0, 1) ? "off" : "1") + eol;
        if (pick(0, 4) == 0) text += "usemtl m" + std::to_string(block) + eol + "\n# a comment\n";
        for (int face = pick(1, 6); face > 0; --face) {
            // Mostly triangles and quads; sometimes a polygon of 5 to 9 corners, which random
            // positions make concave, twisted and degenerate.
            const int r = pick(0, 9);
            const int corners = r < 5 ? 3 : r < 8 ? 4 : pick(5, 9);
            text += "f";
            for (int c = 0; c < corners; ++c) {
                const int v = pick(0, vertices - 1);
                const std::string vi =
                    pick(0, 2) == 0 ? std::to_string(v - vertices) : std::to_string(v + 1);
                // A normal index past the normals read gives the corner no normal.
                const int n = normals > 0 && pick(0, 5) ? pick(0, normals - 1) + 1 : normals + 3;
                switch (pick(0, 3)) {
                    case 0:
                        text += " " + vi;
                        break;
                    case 1:
                        text += " " + vi + "/1";
                        break;
                    case 2:
                        text += " " + vi + "//" + std::to_string(n);
                        break;
                    default:
                        text += " " + vi + "/1/" + std::to_string(pick(0, 1) ? n : n - normals - 1);
                        break;
                }
            }
            text += pick(0, 4) == 0 ? std::string(" \t") + eol : eol;
        }
        if (pick(0, 9) == 0) text += eol;
    }
    // Odd but read: a NUL ending a line's text, lone CR line breaks, spaces and tabs about,
    // a slash with nothing after it, exponents past a double's, degenerate faces, lines and
    // points, skin weights, empty groups.
    text += std::string("v 1 2 3\0 7 junk\n", 16) + "\tv\t1e-400  -0\t0.0000000001e+10 \r" +
            "vn -0 0 1\rvw 1 0 0.5\n l 1 2\np 1\nf 1 2\ng\ns off\nf  -1/ -2 -3//1  \n" +
            "f 3 2 1 \t\n# the end\n";
    // A quad naming a vertex and a normal yet to come: cut once they are read, and the faces
    // after it kept in order.
    text += "f 1 2 " + std::to_string(vertices + 3) + "//" + std::to_string(normals + 2) +
            " 3\nf 3 2 1\nv 0.5 0.5 0.5\nvn 0 1 0\n";
    return text + "f 1 2 3";  // no line break at the end
}

// Every vertex and normal float, every triangle and its corner normals, as tinyobjloader gave
// them, on files of every form: the reader that replaced it must not move an image.
TEST(ObjReader, GivesTinyObjLoadersMeshToTheBit) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const std::string text = generatedObj(seed);
        const host::TriangleMesh expected = readWithTinyObj(text);
        const host::TriangleMesh mesh = host::parseObjText(text, "generated");
        ASSERT_GT(expected.triangleCount(), 100u);
        EXPECT_TRUE(sameBits(mesh.positions, expected.positions)) << "seed " << seed;
        EXPECT_EQ(mesh.indices, expected.indices) << "seed " << seed;
        EXPECT_TRUE(sameBits(mesh.cornerNormals, expected.cornerNormals)) << "seed " << seed;
    }
}

// A file is read in pieces cut after a line break: lines across the cuts, CRLF and all, and a
// line longer than a piece, read as the whole text is.
TEST(ObjReader, ReadsAFileInPiecesAsItReadsTheWholeText) {
    std::string text = "# " + std::string(1500000, 'x') + "\r\n";
    for (uint32_t seed = 1; text.size() < (size_t{5} << 20); ++seed)
        text += generatedObj(seed) + (seed % 2 ? "\r\n" : "\n");
    const host::TriangleMesh whole = host::parseObjText(text, "text");
    const test::ScratchDir scratch;
    const host::TriangleMesh read = host::readObjFile(scratch.write("m.obj", text), "file");
    EXPECT_TRUE(sameBits(read.positions, whole.positions));
    EXPECT_EQ(read.indices, whole.indices);
    EXPECT_TRUE(sameBits(read.cornerNormals, whole.cornerNormals));
    // The line numbers run on across the pieces; a line ends at LF, CR or CRLF.
    text += "v 1 nan 0\n";
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i)
        lines += text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n');
    try {
        host::readObjFile(scratch.write("bad.obj", text), "file");
        FAIL() << "read a NaN";
    } catch (const host::HostError& e) {
        EXPECT_NE(std::string(e.what()).find("line " + std::to_string(lines) + ":"),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
