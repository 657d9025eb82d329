#include "geometry/obj_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "universe/host_error.h"
#include "universe/text_file.h"

// Built with -ffp-contract=off (host/CMakeLists.txt): the number reading and the triangulation
// round after every product and sum, as tinyobjloader's library does, or a float would differ.

namespace host {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

/// A line's text ends at its break, or at a NUL as a C string does (the loader read lines as
/// C strings); the text is followed by a NUL, so no reading passes its end.
bool isLineEnd(char c) {
    return c == '\n' || c == '\r' || c == '\0';
}

bool isDigit(char c) {
    return static_cast<unsigned>(c - '0') < 10u;
}

const char* skipSpaces(const char* p) {
    while (isSpace(*p)) ++p;
    return p;
}

/// Past a token: up to a space, a tab or the line's end.
const char* tokenEnd(const char* p) {
    while (!isSpace(*p) && !isLineEnd(*p)) ++p;
    return p;
}

/// Past one index of a corner: up to a '/', a space, a tab or the line's end.
const char* indexEnd(const char* p) {
    while (*p != '/' && !isSpace(*p) && !isLineEnd(*p)) ++p;
    return p;
}

/// The powers the number reading multiplies by, from std::pow with the arguments the loader
/// passed it, once. The bases are read through volatiles so that the compiler cannot fold the
/// calls with its own rounding.
class Powers {
  public:
    Powers() {
        volatile double ten = 10.0;
        volatile double five = 5.0;
        // The loader's own table for the first places.
        const double places[] = {1.0, 0.1, 0.01, 0.001, 0.0001, 0.00001, 0.000001, 0.0000001};
        for (int k = 0; k < kTenths; ++k) tenths_[k] = k < 8 ? places[k] : std::pow(ten, -k);
        for (int e = -kFives; e <= kFives; ++e) fives_[e + kFives] = std::pow(five, e);
    }
    /// 10^-k, the weight of the k-th place after the point.
    double tenth(int k) const {
        if (k < kTenths) return tenths_[k];
        volatile double ten = 10.0;
        return std::pow(ten, -k);
    }
    /// 5^e.
    double five(int e) const {
        if (e >= -kFives && e <= kFives) return fives_[e + kFives];
        volatile double five = 5.0;
        return std::pow(five, e);
    }

  private:
    static constexpr int kTenths = 48;
    static constexpr int kFives = 350;  // beyond it, std::pow is called as the loader called it
    double tenths_[kTenths];
    double fives_[2 * kFives + 1];
};

const Powers kPowers;

struct Number {
    bool read = false;    ///< a number was read (the loader's success)
    bool digits = false;  ///< its mantissa had a digit
    const char* stop = nullptr;
    double value = 0;
};

/// tinyobjloader's tryParseDouble, step for step, so that every value has its bits: the digits
/// before the point summed times ten, those after it by their place's power of ten, the
/// exponent applied as ldexp(mantissa * 5^e, e). Greedy, up to `end`.
Number readNumber(const char* s, const char* end) {
    Number n;
    if (s >= end) return n;
    double mantissa = 0.0;
    int exponent = 0;
    char sign = '+';
    char exponentSign = '+';
    const char* at = s;
    int read = 0;
    bool more = false;
    bool leadingPoint = false;

    if (*at == '+' || *at == '-') {
        sign = *at++;
        if (at != end && *at == '.') leadingPoint = true;
    } else if (isDigit(*at)) {
    } else if (*at == '.') {
        leadingPoint = true;
    } else {
        return n;
    }

    more = at != end;
    if (!leadingPoint) {
        while (more && isDigit(*at)) {
            mantissa *= 10;
            mantissa += static_cast<int>(*at - '0');
            ++at;
            ++read;
            more = at != end;
        }
        if (read == 0) return n;
        n.digits = true;
    }
    if (more) {
        bool exponentNext = false;
        if (*at == '.') {
            ++at;
            read = 1;
            more = at != end;
            while (more && isDigit(*at)) {
                mantissa += static_cast<int>(*at - '0') * kPowers.tenth(read);
                n.digits = true;
                ++read;
                ++at;
                more = at != end;
            }
            exponentNext = more && (*at == 'e' || *at == 'E');
        } else {
            exponentNext = *at == 'e' || *at == 'E';
        }
        if (exponentNext) {
            ++at;
            more = at != end;
            if (more && (*at == '+' || *at == '-')) {
                exponentSign = *at++;
            } else if (!isDigit(*at)) {
                return n;  // an empty exponent
            }
            read = 0;
            more = at != end;
            // The loader's int wraps past its guard on the last digit; so does this one.
            int64_t wide = 0;
            while (more && isDigit(*at)) {
                if (wide > 2147483647 / 10) return n;
                wide = static_cast<int32_t>(wide * 10 + (*at - '0'));
                ++at;
                ++read;
                more = at != end;
            }
            exponent = static_cast<int32_t>(exponentSign == '+' ? wide : -wide);
            if (read == 0) return n;
        }
    }
    n.value = (sign == '+' ? 1 : -1) *
              (exponent ? std::ldexp(mantissa * kPowers.five(exponent), exponent) : mantissa);
    n.read = true;
    n.stop = at;
    return n;
}

/// One number of a line as the loader read it, `fallback` when it reads none; moves `p` past the
/// token.
double readReal(const char*& p, double fallback) {
    p = skipSpaces(p);
    const char* end = tokenEnd(p);
    const Number n = readNumber(p, end);
    p = end;
    return n.read ? n.value : fallback;
}

/// atoi as glibc has it, within a line: strtol's long, saturated, narrowed to int.
int readInt(const char* p) {
    while (isSpace(*p) || *p == '\v' || *p == '\f') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint64_t magnitude = 0;
    constexpr uint64_t kLongLimit = uint64_t{1} << 63;
    while (isDigit(*p)) {
        const uint64_t digit = static_cast<uint64_t>(*p++ - '0');
        magnitude = magnitude > (kLongLimit - digit) / 10 ? kLongLimit : magnitude * 10 + digit;
    }
    int64_t value;
    if (negative)
        value = magnitude >= kLongLimit ? std::numeric_limits<int64_t>::min()
                                        : -static_cast<int64_t>(magnitude);
    else
        value = magnitude >= kLongLimit ? std::numeric_limits<int64_t>::max()
                                        : static_cast<int64_t>(magnitude);
    return static_cast<int>(static_cast<int32_t>(value));
}

/// From one-based (or, when negative, counted back from `count`) to zero-based; false for 0.
bool fixIndex(int index, int count, int* out) {
    if (index == 0) return false;
    *out = index > 0 ? index - 1 : count + index;
    return true;
}

struct Corner {
    int32_t v;
    int32_t vn;  ///< -1 when it names none
};

/// One corner, "v", "v/vt", "v//vn" or "v/vt/vn", as the loader's parseTriple reads it; false
/// for an index of 0, which is what it reads a word as.
bool readCorner(const char*& p, int vertices, int normals, Corner* corner) {
    int v = 0;
    int vn = -1;
    int vt = 0;
    if (!fixIndex(readInt(p), vertices, &v)) return false;
    p = indexEnd(p);
    if (*p == '/') {
        ++p;
        if (*p == '/') {
            ++p;
            if (!fixIndex(readInt(p), normals, &vn)) return false;
            p = indexEnd(p);
        } else {
            // Texture coordinates are not kept; their count matters to no index but 0.
            if (!fixIndex(readInt(p), 0, &vt)) return false;
            p = indexEnd(p);
            if (*p == '/') {
                ++p;
                if (!fixIndex(readInt(p), normals, &vn)) return false;
                p = indexEnd(p);
            }
        }
    }
    *corner = {v, vn};
    return true;
}

float axis(const Vector& p, size_t a) {
    return a == 0 ? p.x : a == 1 ? p.y : p.z;
}

/// Whether (x, y) is inside the triangle (xs, ys), as the loader tests it.
bool insideTriangle(const float* xs, const float* ys, float x, float y) {
    bool inside = false;
    for (int i = 0, j = 2; i < 3; j = i++) {
        if (((ys[i] > y) != (ys[j] > y)) &&
            (x < (xs[j] - xs[i]) * (y - ys[i]) / (ys[j] - ys[i]) + xs[i]))
            inside = !inside;
    }
    return inside;
}

class ObjReader {
  public:
    explicit ObjReader(const std::string& where) : where_(where) {}

    /// Reads the lines of [p, end): whole lines, the last ending at `end` with its break or
    /// followed by a NUL.
    void read(const char* p, const char* end);
    /// The mesh, once every line is read.
    TriangleMesh finish();
    /// Room for a file of about `lines` lines, so that the mesh's arrays are not copied as they
    /// grow; only what is written is paged in.
    void expect(size_t lines);

  private:
    struct Ahead {
        size_t first, count, line;
    };
    struct LateNormal {
        size_t corner;
        int32_t vn;
    };

    [[noreturn]] void fail(size_t line, const std::string& what) const {
        throw HostError(where_ + ", line " + std::to_string(line) + ": " + what);
    }
    const char* readPoint(const char* p, std::vector<Vector>& into, const char* kind);
    const char* readFace(const char* p);
    const char* readIndicesOnly(const char* p);
    const char* readSkinWeights(const char* p);
    void triangulate(const Corner* face, size_t count);
    void emit(const Corner& a, const Corner& b, const Corner& c);
    void clipEars(const Corner* face, size_t count);

    const std::string& where_;
    size_t line_ = 0;
    TriangleMesh mesh_;
    std::vector<Vector> normals_;
    std::vector<Corner> face_;  ///< the face being read
    // A face naming a vertex yet to come is cut once every vertex is read, and so is every face
    // after it, to keep the triangles in the file's order.
    bool deferring_ = false;
    std::vector<Corner> deferred_;         ///< their corners, one face after another
    std::vector<uint16_t> deferredSizes_;  ///< each one's corners
    std::vector<Ahead> ahead_;             ///< those naming vertices yet to come, with their line
    std::vector<LateNormal> lateNormals_;  ///< corners naming normals yet to come
    std::vector<Corner> remaining_;        ///< the ear clipping's polygon
    bool anyNormal_ = false;
};

const char* ObjReader::readPoint(const char* p, std::vector<Vector>& into, const char* kind) {
    float xyz[3];
    for (float& value : xyz) {
        p = skipSpaces(p);
        const char* end = tokenEnd(p);
        if (p == end) {  // too few: the loader took 0
            value = 0.0f;
            continue;
        }
        const Number n = readNumber(p, end);
        // The loader read "nan" and "0x10" as 0 or as far as it got, and 1e39 as infinity.
        if (!n.read || n.stop != end || !n.digits ||
            !(std::fabs(n.value) <= std::numeric_limits<float>::max()))
            fail(line_, std::string(kind) + " coordinate '" +
                            std::string(p, std::min<size_t>(end - p, 40)) +
                            "' is not a finite decimal number that a 32-bit float can hold");
        value = static_cast<float>(n.value);
        p = end;
    }
    into.push_back({xyz[0], xyz[1], xyz[2]});
    return p;
}

const char* ObjReader::readFace(const char* p) {
    p = skipSpaces(p);
    face_.clear();
    const int vertices = static_cast<int>(mesh_.positions.size());
    const int normals = static_cast<int>(normals_.size());
    bool ahead = false;
    bool before = false;
    while (!isLineEnd(*p)) {
        Corner c;
        if (!readCorner(p, vertices, normals, &c))
            fail(line_,
                 "a face's corner index is 0 or not a number; OBJ indices count from 1, "
                 "or back from -1");
        if (face_.size() == kMaxFaceCorners)
            fail(line_, "a face of more than " + std::to_string(kMaxFaceCorners) +
                            " corners; split it into smaller faces");
        face_.push_back(c);
        ahead = ahead || c.v >= vertices;
        before = before || c.v < 0;
        p = skipSpaces(p);
    }
    const size_t count = face_.size();
    if (count < 3) return p;  // no area: passed over, as the loader did
    if (before) fail(line_, "a face with a vertex index out of range");
    if (ahead || deferring_) {
        deferring_ = true;
        if (ahead) ahead_.push_back({deferred_.size(), count, line_});
        deferred_.insert(deferred_.end(), face_.begin(), face_.end());
        deferredSizes_.push_back(static_cast<uint16_t>(count));
    } else {
        triangulate(face_.data(), count);
    }
    return p;
}

/// Lines ("l") and points ("p") are not kept, but the loader refused their 0 indices.
const char* ObjReader::readIndicesOnly(const char* p) {
    while (!isLineEnd(*p)) {
        Corner c;
        if (!readCorner(p, 0, 0, &c))
            fail(line_, "an index is 0 or not a number; OBJ indices count from 1, or back from -1");
        p = skipSpaces(p);
    }
    return p;
}

/// Skin weights ("vw") are not kept, but the loader refused a negative or missing joint.
const char* ObjReader::readSkinWeights(const char* p) {
    p = tokenEnd(skipSpaces(p));  // the vertex
    while (!isLineEnd(*p)) {
        const double joint = readReal(p, -1.0);
        readReal(p, -1.0);  // its weight
        // Judged as the float the loader made of it, without leaving a float's range.
        if (std::fabs(joint) > std::numeric_limits<float>::max() ? joint < 0.0
                                                                 : static_cast<float>(joint) < 0.0f)
            fail(line_, "a skin weight's joint is negative or missing");
        p = skipSpaces(p);
    }
    return p;
}

void ObjReader::emit(const Corner& a, const Corner& b, const Corner& c) {
    const size_t normalCount = normals_.size();
    for (const Corner* k : {&a, &b, &c}) {
        mesh_.indices.push_back(static_cast<uint32_t>(k->v));
        if (k->vn >= 0 && static_cast<size_t>(k->vn) < normalCount) {
            mesh_.cornerNormals.push_back(normals_[static_cast<size_t>(k->vn)]);
            anyNormal_ = true;
        } else {
            if (k->vn >= 0) lateNormals_.push_back({mesh_.cornerNormals.size(), k->vn});
            mesh_.cornerNormals.push_back({0, 0, 0});
        }
    }
}

/// A polygon of five or more corners cut into triangles as the loader cut it: ears found in
/// the plane of the two axes its first corner's cross product leans least on.
void ObjReader::clipEars(const Corner* face, size_t count) {
    const std::vector<Vector>& v = mesh_.positions;
    size_t axes[2] = {1, 2};
    for (size_t k = 0; k < count; ++k) {
        const Vector& p0 = v[static_cast<size_t>(face[k % count].v)];
        const Vector& p1 = v[static_cast<size_t>(face[(k + 1) % count].v)];
        const Vector& p2 = v[static_cast<size_t>(face[(k + 2) % count].v)];
        const float e0x = p1.x - p0.x;
        const float e0y = p1.y - p0.y;
        const float e0z = p1.z - p0.z;
        const float e1x = p2.x - p1.x;
        const float e1y = p2.y - p1.y;
        const float e1z = p2.z - p1.z;
        const float cx = std::fabs(e0y * e1z - e0z * e1y);
        const float cy = std::fabs(e0z * e1x - e0x * e1z);
        const float cz = std::fabs(e0x * e1y - e0y * e1x);
        const float epsilon = std::numeric_limits<float>::epsilon();
        if (cx > epsilon || cy > epsilon || cz > epsilon) {
            if (!(cx > cy && cx > cz)) {
                axes[0] = 0;
                if (cz > cx && cz > cy) axes[1] = 1;
            }
            break;
        }
    }

    std::vector<Corner>& remaining = remaining_;
    remaining.assign(face, face + count);
    size_t guess = 0;
    Corner ind[3];
    float vx[3];
    float vy[3];
    size_t iterationsLeft = count;
    size_t previousCount = count;
    while (remaining.size() > 3 && iterationsLeft > 0) {
        const size_t n = remaining.size();
        if (guess >= n) guess -= n;
        if (previousCount != n) {
            previousCount = n;
            iterationsLeft = n;
        } else {
            --iterationsLeft;
        }
        for (size_t k = 0; k < 3; ++k) {
            ind[k] = remaining[(guess + k) % n];
            vx[k] = axis(v[static_cast<size_t>(ind[k].v)], axes[0]);
            vy[k] = axis(v[static_cast<size_t>(ind[k].v)], axes[1]);
        }
        const float e0x = vx[1] - vx[0];
        const float e0y = vy[1] - vy[0];
        const float e1x = vx[2] - vx[1];
        const float e1y = vy[2] - vy[1];
        const float cross = e0x * e1y - e0y * e1x;
        const float area = (vx[0] * vy[1] - vy[0] * vx[1]) * 0.5f;
        if (cross * area < 0.0f) {  // a reflex corner
            ++guess;
            continue;
        }
        bool overlap = false;
        for (size_t other = 3; other < n && !overlap; ++other) {
            const Vector& p = v[static_cast<size_t>(remaining[(guess + other) % n].v)];
            overlap = insideTriangle(vx, vy, axis(p, axes[0]), axis(p, axes[1]));
        }
        if (overlap) {
            ++guess;
            continue;
        }
        emit(ind[0], ind[1], ind[2]);
        for (size_t removed = (guess + 1) % n; removed + 1 < n; ++removed)
            remaining[removed] = remaining[removed + 1];
        remaining.pop_back();
    }
    // What is left when no ear is found is dropped, as the loader dropped it.
    if (remaining.size() == 3) emit(remaining[0], remaining[1], remaining[2]);
}

void ObjReader::triangulate(const Corner* c, size_t count) {
    if (count == 3) {
        emit(c[0], c[1], c[2]);
    } else if (count == 4) {
        // Cut along the shorter diagonal.
        const std::vector<Vector>& v = mesh_.positions;
        const Vector& p0 = v[static_cast<size_t>(c[0].v)];
        const Vector& p1 = v[static_cast<size_t>(c[1].v)];
        const Vector& p2 = v[static_cast<size_t>(c[2].v)];
        const Vector& p3 = v[static_cast<size_t>(c[3].v)];
        const float e02x = p2.x - p0.x;
        const float e02y = p2.y - p0.y;
        const float e02z = p2.z - p0.z;
        const float e13x = p3.x - p1.x;
        const float e13y = p3.y - p1.y;
        const float e13z = p3.z - p1.z;
        const float sqr02 = e02x * e02x + e02y * e02y + e02z * e02z;
        const float sqr13 = e13x * e13x + e13y * e13y + e13z * e13z;
        if (sqr02 < sqr13) {
            emit(c[0], c[1], c[2]);
            emit(c[0], c[2], c[3]);
        } else {
            emit(c[0], c[1], c[3]);
            emit(c[1], c[2], c[3]);
        }
    } else {
        clipEars(c, count);
    }
}

void ObjReader::read(const char* p, const char* const end) {
    while (p < end) {
        ++line_;
        p = skipSpaces(p);
        if (p[0] == 'v') {
            if (isSpace(p[1]))
                p = readPoint(p + 2, mesh_.positions, "vertex");
            else if (p[1] == 'n' && isSpace(p[2]))
                p = readPoint(p + 3, normals_, "normal");
            else if (p[1] == 'w' && isSpace(p[2]))
                p = readSkinWeights(p + 3);
        } else if (p[0] == 'f' && isSpace(p[1])) {
            p = readFace(p + 2);
        } else if ((p[0] == 'l' || p[0] == 'p') && isSpace(p[1])) {
            p = readIndicesOnly(p + 2);
        }
        // Whatever else the line holds is passed over: comments, texture coordinates, groups,
        // objects, materials, smoothing groups, a vertex's colour.
        while (p < end && *p != '\n' && *p != '\r') ++p;
        if (p < end) p += (p[0] == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
    }
}

void ObjReader::expect(size_t lines) {
    try {
        mesh_.positions.reserve(lines);
        normals_.reserve(lines);
        mesh_.indices.reserve(2 * lines);
        mesh_.cornerNormals.reserve(2 * lines);
    } catch (const std::bad_alloc&) {
        // Then they grow as they need.
    }
}

TriangleMesh ObjReader::finish() {
    const size_t vertexCount = mesh_.positions.size();
    for (const Ahead& face : ahead_)
        for (size_t k = face.first; k < face.first + face.count; ++k)
            if (static_cast<size_t>(deferred_[k].v) >= vertexCount)
                fail(face.line, "a face with a vertex index out of range");
    const Corner* c = deferred_.data();
    for (const uint16_t count : deferredSizes_) {
        triangulate(c, count);
        c += count;
    }
    for (const LateNormal& late : lateNormals_) {
        if (static_cast<size_t>(late.vn) < normals_.size()) {
            mesh_.cornerNormals[late.corner] = normals_[static_cast<size_t>(late.vn)];
            anyNormal_ = true;
        }
    }
    if (mesh_.indices.empty()) throw HostError(where_ + " holds no triangle");
    if (!anyNormal_) std::vector<Vector>().swap(mesh_.cornerNormals);
    return std::move(mesh_);
}

}  // namespace

TriangleMesh parseObjText(const std::string& text, const std::string& where) {
    ObjReader reader(where);
    reader.read(text.c_str(), text.c_str() + text.size());
    return reader.finish();
}

TriangleMesh readObjFile(const std::string& path, const std::string& where) {
    // Opened without blocking, so that a FIFO with no writer is refused below rather than
    // waited on for ever; what is opened is what is judged.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw HostError(where + " cannot be read: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        throw HostError(where + " cannot be read: " + std::strerror(errno));
    if (S_ISDIR(status.st_mode)) throw HostError(where + " is a folder, not a file");
    // A device or FIFO never ends or never starts.
    if (!S_ISREG(status.st_mode)) throw HostError(where + " is not a regular file");
    const std::string tooLarge = where + " is larger than " +
                                 std::to_string(kMaxTextFileBytes >> 20) +
                                 " MiB, the most read of a mesh, as of a scene";
    if (static_cast<unsigned long long>(status.st_size) > kMaxTextFileBytes)
        throw HostError(tooLarge);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    // Read in pieces, each cut after its last line break and read while it is in the cache;
    // the file is never held whole, whose pages cost more to fault in than to read. The bound
    // holds for what is read, as the file may grow while it is read.
    ObjReader reader(where);
    size_t capacity = size_t{1} << 20;
    std::unique_ptr<char[]> buffer(new char[capacity + 1]);
    size_t kept = 0;  // the start of a line whose end is yet to come
    size_t total = 0;
    for (;;) {
        if (kept == capacity) {  // a line longer than the buffer
            std::unique_ptr<char[]> larger(new char[2 * capacity + 1]);
            std::memcpy(larger.get(), buffer.get(), kept);
            buffer = std::move(larger);
            capacity *= 2;
        }
        const ssize_t n = ::read(fd, buffer.get() + kept, capacity - kept);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw HostError(where + " cannot be read: " + std::strerror(errno));
        }
        if (n == 0) break;
        total += static_cast<size_t>(n);
        if (total > kMaxTextFileBytes) throw HostError(tooLarge);
        const size_t filled = kept + static_cast<size_t>(n);
        if (total == filled && total < static_cast<size_t>(status.st_size)) {
            // The first piece's lines per byte, for the whole.
            size_t breaks = 0;
            for (size_t i = 0; i < filled; ++i) breaks += buffer[i] == '\n';
            reader.expect(static_cast<size_t>(static_cast<double>(status.st_size) * 1.05 *
                                              static_cast<double>(breaks) /
                                              static_cast<double>(filled)) +
                          16);
        }
        size_t cut = filled;
        while (cut > kept && buffer[cut - 1] != '\n') --cut;
        if (cut == kept) {
            kept = filled;
            continue;
        }
        reader.read(buffer.get(), buffer.get() + cut);
        kept = filled - cut;
        std::memmove(buffer.get(), buffer.get() + cut, kept);
    }
    buffer[kept] = '\0';
    reader.read(buffer.get(), buffer.get() + kept);
    return reader.finish();
}

}  // namespace host
