// Assimp reads the file with its own triangulation; the node tree is then walked from the root,
// and every mesh a node names lands in the lists once for that node, under the product of the
// transforms from the root down to it.
#include "reader_helper/assimp_reading.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "reader_helper/companion_files.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Deeper node trees are refused rather than walked: no real model nests that far.
constexpr size_t MAX_NODE_DEPTH = 10'000;

Vec3d placed(const aiMatrix4x4& m, const aiVector3D& v) {
    return {static_cast<double>(m.a1) * v.x + m.a2 * v.y + m.a3 * v.z + m.a4,
            static_cast<double>(m.b1) * v.x + m.b2 * v.y + m.b3 * v.z + m.b4,
            static_cast<double>(m.c1) * v.x + m.c2 * v.y + m.c3 * v.z + m.c4};
}

// Bit for bit, so that no negative zero in the matrix is taken for a zero.
bool isIdentity(const aiMatrix4x4& m) {
    const aiMatrix4x4 identity;
    return std::memcmp(&m, &identity, sizeof m) == 0;
}

Vec3d unit(Vec3d v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0) || !std::isfinite(length)) {
        return {};
    }
    return {v.x / length, v.y / length, v.z / length};
}

Vec3d flatNormal(const Vec3d& p0, const Vec3d& p1, const Vec3d& p2) {
    const Vec3d u{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
    const Vec3d v{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    return unit({u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x});
}

// The flat normals of triangles [first, end) of `out`, appended to its normals with a triple
// each, two triangles at a time: the square root and divisions of one triangle wait long for
// each other, two side by side take the time of one. Each lane computes what flatNormal does, in
// the same order, so the bits are the same.
void appendFlatNormals(MeshLists& out, size_t first) {
    const std::vector<Vec3d>& p = out.points;
    const size_t end = out.coordIndex.size();
    size_t t = first;
#if defined(__SSE2__)
    const auto column = [&](size_t t0, size_t t1, int32_t IndexTriple::*corner,
                            double Vec3d::*axis) {
        return _mm_set_pd(p[out.coordIndex[t1].*corner].*axis, p[out.coordIndex[t0].*corner].*axis);
    };
    const __m128d zero = _mm_setzero_pd();
    const __m128d largest = _mm_set1_pd(std::numeric_limits<double>::max());
    for (; t + 1 < end; t += 2) {
        const auto diff = [&](int32_t IndexTriple::*to, int32_t IndexTriple::*from,
                              double Vec3d::*axis) {
            return _mm_sub_pd(column(t, t + 1, to, axis), column(t, t + 1, from, axis));
        };
        const __m128d ux = diff(&IndexTriple::b, &IndexTriple::a, &Vec3d::x);
        const __m128d uy = diff(&IndexTriple::b, &IndexTriple::a, &Vec3d::y);
        const __m128d uz = diff(&IndexTriple::b, &IndexTriple::a, &Vec3d::z);
        const __m128d vx = diff(&IndexTriple::c, &IndexTriple::b, &Vec3d::x);
        const __m128d vy = diff(&IndexTriple::c, &IndexTriple::b, &Vec3d::y);
        const __m128d vz = diff(&IndexTriple::c, &IndexTriple::b, &Vec3d::z);
        const __m128d nx = _mm_sub_pd(_mm_mul_pd(uy, vz), _mm_mul_pd(uz, vy));
        const __m128d ny = _mm_sub_pd(_mm_mul_pd(uz, vx), _mm_mul_pd(ux, vz));
        const __m128d nz = _mm_sub_pd(_mm_mul_pd(ux, vy), _mm_mul_pd(uy, vx));
        const __m128d length = _mm_sqrt_pd(
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(nx, nx), _mm_mul_pd(ny, ny)), _mm_mul_pd(nz, nz)));
        // unit(): a length that is not a positive finite number gives the zero vector.
        const __m128d usable =
            _mm_and_pd(_mm_cmpgt_pd(length, zero), _mm_cmple_pd(length, largest));
        alignas(16) double x[2], y[2], z[2];
        _mm_store_pd(x, _mm_and_pd(usable, _mm_div_pd(nx, length)));
        _mm_store_pd(y, _mm_and_pd(usable, _mm_div_pd(ny, length)));
        _mm_store_pd(z, _mm_and_pd(usable, _mm_div_pd(nz, length)));
        for (int lane = 0; lane < 2; ++lane) {
            out.normals.push_back({x[lane], y[lane], z[lane]});
            const auto k = static_cast<int32_t>(out.normals.size() - 1);
            out.normalIndex.push_back({k, k, k});
        }
    }
#endif
    for (; t < end; ++t) {
        const IndexTriple& c = out.coordIndex[t];
        out.normals.push_back(flatNormal(p[c.a], p[c.b], p[c.c]));
        const auto k = static_cast<int32_t>(out.normals.size() - 1);
        out.normalIndex.push_back({k, k, k});
    }
}

bool finite(const Vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

struct Placement {
    const aiNode* node;
    aiMatrix4x4 matrix;
    size_t depth;
};

struct SceneWalk {
    const aiScene& scene;
    const GraphLimits& limits;
    MeshLists& out;
    size_t visits = 0;
    std::string stop;
    // The first walk only counts, so that the second fills lists made once at their size.
    bool counting = true;
    size_t totalPoints = 0, totalNormals = 0, totalTriangles = 0;

    bool addMesh(const aiMesh& mesh, const aiMatrix4x4& matrix) {
        if (!mesh.mVertices || !mesh.mFaces) {
            return true;
        }
        size_t triangles = 0;
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            triangles += mesh.mFaces[f].mNumIndices == 3 && mesh.mFaces[f].mIndices;
        }
        if (triangles == 0) {
            return true;
        }
        if (counting) {
            totalTriangles += triangles;
            totalPoints += mesh.mNumVertices;
            totalNormals += mesh.mNormals ? mesh.mNumVertices : triangles;
            if (totalTriangles > limits.triangles) {
                stop = "more than " + std::to_string(limits.triangles) + " triangles";
                return false;
            }
            if (totalPoints > limits.points || totalNormals > limits.points) {
                stop = "more than " + std::to_string(limits.points) + " points";
                return false;
            }
            return true;
        }
        const auto pointBase = static_cast<int32_t>(out.points.size());
        const size_t firstTriangle = out.coordIndex.size();
        // Most files place their meshes where they are: the points need no multiplication then.
        // Adding zero gives the bits the multiplication gives (a negative zero turns positive).
        if (isIdentity(matrix)) {
            for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
                const aiVector3D& v = mesh.mVertices[i];
                out.points.push_back({static_cast<double>(v.x) + 0.0,
                                      static_cast<double>(v.y) + 0.0,
                                      static_cast<double>(v.z) + 0.0});
            }
        } else {
            for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
                out.points.push_back(placed(matrix, mesh.mVertices[i]));
            }
        }
        // Normals go by the inverse transpose; a mirroring transform turns the faces round.
        aiMatrix3x3 normalMatrix(matrix);
        const bool mirrored = normalMatrix.Determinant() < 0;
        normalMatrix.Inverse().Transpose();
        // A corner's normal that equals the one before it is stored once: formats with a normal
        // per face (STL) repeat it for every corner.
        std::vector<int32_t> normalOf;
        if (mesh.mNormals) {
            normalOf.resize(mesh.mNumVertices);
            for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
                // The same file normal as the corner before gives the same normal.
                if (i > 0 && mesh.mNormals[i] == mesh.mNormals[i - 1]) {
                    normalOf[i] = normalOf[i - 1];
                    continue;
                }
                const aiVector3D n = normalMatrix * mesh.mNormals[i];
                const Vec3d normal = unit({n.x, n.y, n.z});
                if (i == 0 || !(normal == out.normals.back())) {
                    out.normals.push_back(normal);
                }
                normalOf[i] = static_cast<int32_t>(out.normals.size() - 1);
            }
        }
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3 || !face.mIndices) {
                continue;
            }
            unsigned a = face.mIndices[0], b = face.mIndices[1], c = face.mIndices[2];
            if (a >= mesh.mNumVertices || b >= mesh.mNumVertices || c >= mesh.mNumVertices) {
                continue;
            }
            if (mirrored) {
                std::swap(b, c);
            }
            const IndexTriple corners{pointBase + static_cast<int32_t>(a),
                                      pointBase + static_cast<int32_t>(b),
                                      pointBase + static_cast<int32_t>(c)};
            out.coordIndex.push_back(corners);
            if (mesh.mNormals) {
                out.normalIndex.push_back({normalOf[a], normalOf[b], normalOf[c]});
            }
        }
        if (!mesh.mNormals) {
            appendFlatNormals(out, firstTriangle);
        }
        return true;
    }

    bool walkTwice() {
        if (!walk()) {
            return false;
        }
        out.points.reserve(totalPoints);
        out.normals.reserve(totalNormals);
        out.coordIndex.reserve(totalTriangles);
        out.normalIndex.reserve(totalTriangles);
        counting = false;
        visits = 0;
        return walk();
    }

    bool walk() {
        std::vector<Placement> pending{{scene.mRootNode, scene.mRootNode->mTransformation, 1}};
        while (!pending.empty()) {
            const Placement here = pending.back();
            pending.pop_back();
            if (++visits > limits.nodeVisits) {
                stop = "more than " + std::to_string(limits.nodeVisits) + " nodes";
                return false;
            }
            if (here.depth > MAX_NODE_DEPTH) {
                stop = "a node tree deeper than " + std::to_string(MAX_NODE_DEPTH) + " levels";
                return false;
            }
            for (unsigned i = 0; i < here.node->mNumMeshes; ++i) {
                const unsigned m = here.node->mMeshes[i];
                if (m < scene.mNumMeshes && scene.mMeshes[m] &&
                    !addMesh(*scene.mMeshes[m], here.matrix)) {
                    return false;
                }
            }
            // Children go on the stack last first, so that they are placed in file order.
            for (unsigned i = here.node->mNumChildren; i-- > 0;) {
                if (const aiNode* child = here.node->mChildren[i]) {
                    pending.push_back(
                        {child, here.matrix * child->mTransformation, here.depth + 1});
                }
            }
        }
        return true;
    }
};

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace

AssimpReadOutcome readWithAssimp(std::span<const char> bytes, const std::string& name,
                                 int companionFolder, MeshLists& out, const GraphLimits& limits,
                                 bool leaveParsed) {
    const auto tearDown = [leaveParsed](Assimp::Importer* parsed) {
        if (!leaveParsed) {
            delete parsed;
        }
    };
    const std::unique_ptr<Assimp::Importer, decltype(tearDown)> owned(new Assimp::Importer,
                                                                      tearDown);
    Assimp::Importer& importer = *owned;
    auto* files = new CompanionFiles(name, bytes, companionFolder);
    importer.SetIOHandler(files);  // the importer owns it from here on
    // Lines and points are sorted out of the meshes; nothing else is changed.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(
        name, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    AssimpReadOutcome outcome;
    // "companion file refused: a.bin (an absolute path), ../b.bin (outside the model folder)"
    std::string refusals;
    for (const std::string& refusal : files->refusals) {
        refusals += (refusals.empty() ? "companion file refused: " : ", ") + refusal;
    }
    const std::string refused = refusals.empty() ? "" : "; " + refusals;
    if (!scene || !scene->mRootNode) {
        const char* why = importer.GetErrorString();
        outcome.message =
            (why && *why ? std::string(why) : "Assimp could not read the file") + refused;
        return outcome;
    }
    MeshLists lists;
    SceneWalk walk{*scene, limits, lists, 0, {}, true, 0, 0, 0};
    if (!walk.walkTwice()) {
        outcome.message = walk.stop;
        return outcome;
    }
    for (const Vec3d& p : lists.points) {
        if (!finite(p)) {
            outcome.message = "a point that is not a finite number";
            return outcome;
        }
    }
    for (Vec3d& n : lists.normals) {
        if (!finite(n)) {
            n = {};
        }
    }
    outcome.read = true;
    if (lists.coordIndex.empty()) {
        outcome.message = "no triangles: the file holds no faces";
    }
    if (!refusals.empty()) {
        outcome.message += (outcome.message.empty() ? "" : "; ") + refusals;
    }
    out = std::move(lists);
    return outcome;
}

std::vector<std::string> assimpExtensions() {
    Assimp::Importer importer;
    std::string list;
    importer.GetExtensionList(list);
    std::vector<std::string> extensions;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string item = list.substr(start, end - start);
        if (item.rfind("*.", 0) == 0) {
            item.erase(0, 2);
        }
        if (!item.empty()) {
            extensions.push_back(lowerCase(item));
        }
        start = end + 1;
    }
    return extensions;
}
