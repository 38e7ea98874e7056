#include "reader_helper/assimp_export.h"

#include <assimp/BlobIOSystem.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>

#include <cmath>
#include <memory>
#include <unordered_map>

#include "reader/export_geometry.h"

namespace {

// Where each vertex of a built mesh comes from: a corner's point, and its normal taken from the
// model's normal list (`normal` >= 0) or the triangle's flat normal (-1 - triangle).
struct VertexSource {
    int32_t point;
    int64_t normal;
};

// The vertices of one model's triangles and, for each corner, the vertex it uses. A point met
// with the same normal again shares its vertex, so smooth meshes keep their size.
struct VertexPlan {
    std::vector<VertexSource> vertices;
    std::vector<uint32_t> corners;  // 3 per triangle
};

VertexPlan planVertices(const ExportModel& model, bool shareVertices) {
    VertexPlan plan;
    const size_t triangles = model.coordIndex.size();
    plan.corners.resize(3 * triangles);
    const bool fileNormals = normalsServeEveryTriangle(model);
    if (!fileNormals || !shareVertices) {
        plan.vertices.reserve(3 * triangles);
        for (size_t t = 0; t < triangles; ++t) {
            const IndexTriple& p = model.coordIndex[t];
            const int64_t flat = -1 - static_cast<int64_t>(t);
            const IndexTriple n = fileNormals ? model.normalIndex[t] : IndexTriple{};
            const int32_t points[3] = {p.a, p.b, p.c};
            const int64_t normals[3] = {fileNormals ? n.a : flat, fileNormals ? n.b : flat,
                                        fileNormals ? n.c : flat};
            for (int k = 0; k < 3; ++k) {
                plan.corners[3 * t + k] = static_cast<uint32_t>(plan.vertices.size());
                plan.vertices.push_back({points[k], normals[k]});
            }
        }
        return plan;
    }
    // Most points keep one normal: remember the first, and look further only for the others.
    std::vector<int32_t> firstNormal(model.points.size(), -1);
    std::vector<uint32_t> firstVertex(model.points.size(), 0);
    std::unordered_map<uint64_t, uint32_t> others;
    plan.vertices.reserve(model.points.size());
    for (size_t t = 0; t < triangles; ++t) {
        const IndexTriple& p = model.coordIndex[t];
        const IndexTriple& n = model.normalIndex[t];
        const int32_t points[3] = {p.a, p.b, p.c};
        const int32_t normals[3] = {n.a, n.b, n.c};
        for (int k = 0; k < 3; ++k) {
            const int32_t point = points[k];
            const int32_t normal = normals[k];
            uint32_t vertex;
            if (firstNormal[point] < 0) {
                firstNormal[point] = normal;
                vertex = firstVertex[point] = static_cast<uint32_t>(plan.vertices.size());
                plan.vertices.push_back({point, normal});
            } else if (firstNormal[point] == normal) {
                vertex = firstVertex[point];
            } else {
                const uint64_t key =
                    (static_cast<uint64_t>(point) << 32) | static_cast<uint32_t>(normal);
                const auto [entry, added] =
                    others.try_emplace(key, static_cast<uint32_t>(plan.vertices.size()));
                if (added) {
                    plan.vertices.push_back({point, normal});
                }
                vertex = entry->second;
            }
            plan.corners[3 * t + k] = vertex;
        }
    }
    return plan;
}

aiVector3D toAi(const Vec3d& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

// Unit normals in float: normalised again after the narrowing, so a reader that checks lengths
// finds them unit; a zero normal becomes +Z where a format demands unit normals.
aiVector3D unitNormal(const Vec3d& n, bool demandUnit) {
    aiVector3D v = toAi(n);
    const float length = v.Length();
    if (length > 0 && std::isfinite(length)) {
        return v / length;
    }
    return demandUnit ? aiVector3D(0, 0, 1) : aiVector3D(0, 0, 0);
}

struct MeshOptions {
    const WorldPlacement* placement = nullptr;  // null: the model's own coordinates
    bool shareVertices = true;
    bool unitNormals = false;
};

// The normal of one planned vertex, in the model's coordinates or placed.
Vec3d normalOf(const ExportModel& model, const VertexSource& source, const MeshOptions& options) {
    if (source.normal >= 0) {
        const Vec3d& n = model.normals[static_cast<size_t>(source.normal)];
        return options.placement != nullptr ? placeNormal(*options.placement, n) : n;
    }
    const IndexTriple& t = model.coordIndex[static_cast<size_t>(-1 - source.normal)];
    Vec3d a = model.points[t.a], b = model.points[t.b], c = model.points[t.c];
    if (options.placement != nullptr) {
        a = placePoint(*options.placement, a);
        b = placePoint(*options.placement, b);
        c = placePoint(*options.placement, c);
    }
    return flatNormal(a, b, c);
}

// Appends the model's triangles to `mesh`, whose arrays already have room from `firstVertex` and
// `firstFace` on.
void fillMesh(aiMesh& mesh, unsigned firstVertex, unsigned firstFace, const ExportModel& model,
              const VertexPlan& plan, const MeshOptions& options) {
    for (size_t v = 0; v < plan.vertices.size(); ++v) {
        const VertexSource& source = plan.vertices[v];
        const Vec3d& local = model.points[static_cast<size_t>(source.point)];
        mesh.mVertices[firstVertex + v] =
            toAi(options.placement != nullptr ? placePoint(*options.placement, local) : local);
        mesh.mNormals[firstVertex + v] =
            unitNormal(normalOf(model, source, options), options.unitNormals);
    }
    for (size_t t = 0; t < model.coordIndex.size(); ++t) {
        aiFace& face = mesh.mFaces[firstFace + t];
        face.mNumIndices = 3;
        face.mIndices = new unsigned[3];
        for (int k = 0; k < 3; ++k) {
            face.mIndices[k] = firstVertex + plan.corners[3 * t + k];
        }
    }
}

aiMesh* newMesh(const std::string& name, size_t vertices, size_t faces) {
    auto* mesh = new aiMesh();
    mesh->mName = aiString(name);
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = 0;
    mesh->mNumVertices = static_cast<unsigned>(vertices);
    mesh->mVertices = new aiVector3D[vertices];
    mesh->mNormals = new aiVector3D[vertices];
    mesh->mNumFaces = static_cast<unsigned>(faces);
    mesh->mFaces = new aiFace[faces];
    return mesh;
}

aiMesh* buildMesh(const std::string& name, const ExportModel& model, const MeshOptions& options) {
    const VertexPlan plan = planVertices(model, options.shareVertices);
    aiMesh* mesh = newMesh(name, plan.vertices.size(), model.coordIndex.size());
    fillMesh(*mesh, 0, 0, model, plan, options);
    return mesh;
}

aiMatrix4x4 toAi(const Matrix4& m) {
    // aiMatrix4x4 is written row by row; Matrix4 is column-major.
    return aiMatrix4x4(m[0], m[4], m[8], m[12], m[1], m[5], m[9], m[13], m[2], m[6], m[10], m[14],
                       m[3], m[7], m[11], m[15]);
}

// Whether a glTF node can hold the matrix: affine, and its linear part a rotation times a scale
// (orthogonal columns of non-zero length), as glTF demands of node matrices.
bool holdsAsNodeMatrix(const Matrix4& m) {
    if (m[3] != 0 || m[7] != 0 || m[11] != 0 || m[15] != 1) {
        return false;
    }
    double length[3];
    for (int c = 0; c < 3; ++c) {
        length[c] = std::sqrt(double(m[4 * c]) * m[4 * c] + double(m[4 * c + 1]) * m[4 * c + 1] +
                              double(m[4 * c + 2]) * m[4 * c + 2]);
        if (!(length[c] > 1e-20) || !std::isfinite(length[c])) {
            return false;
        }
    }
    for (int c = 0; c < 3; ++c) {
        const int d = (c + 1) % 3;
        const double dot = double(m[4 * c]) * m[4 * d] + double(m[4 * c + 1]) * m[4 * d + 1] +
                           double(m[4 * c + 2]) * m[4 * d + 2];
        if (std::fabs(dot) > 1e-5 * length[c] * length[d]) {
            return false;
        }
    }
    return true;
}

std::string objectName(const ExportScene& scene, size_t object) {
    return scene.models[scene.objects[object].model].name + "#" + std::to_string(object + 1);
}

void setChildren(aiNode& root, std::vector<aiNode*>& children) {
    root.mNumChildren = static_cast<unsigned>(children.size());
    root.mChildren = new aiNode*[children.size() > 0 ? children.size() : 1];
    for (size_t i = 0; i < children.size(); ++i) {
        children[i]->mParent = &root;
        root.mChildren[i] = children[i];
    }
}

void setMeshes(aiScene& out, std::vector<aiMesh*>& meshes) {
    out.mNumMeshes = static_cast<unsigned>(meshes.size());
    out.mMeshes = new aiMesh*[meshes.size() > 0 ? meshes.size() : 1];
    for (size_t i = 0; i < meshes.size(); ++i) {
        out.mMeshes[i] = meshes[i];
    }
}

aiNode* meshNode(const std::string& name, unsigned mesh, const aiMatrix4x4& matrix) {
    auto* node = new aiNode(name);
    node->mTransformation = matrix;
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{mesh};
    return node;
}

std::unique_ptr<aiScene> newScene() {
    auto out = std::make_unique<aiScene>();
    out->mRootNode = new aiNode("Tessaly scene");
    out->mNumMaterials = 1;
    out->mMaterials = new aiMaterial* [1] { new aiMaterial() };
    aiString materialName("Default");
    out->mMaterials[0]->AddProperty(&materialName, AI_MATKEY_NAME);
    return out;
}

// One mesh per model in its own coordinates, one node per object with its matrix; objects whose
// matrix no node can hold get a mesh of their own in world coordinates.
std::unique_ptr<aiScene> structuredScene(const ExportScene& scene) {
    auto out = newScene();
    std::vector<aiMesh*> meshes;
    std::vector<aiNode*> nodes;
    std::vector<int64_t> meshOfModel(scene.models.size(), -1);
    MeshOptions local;
    local.unitNormals = true;
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const ExportObject& object = scene.objects[i];
        const ExportModel& model = scene.models[object.model];
        if (model.coordIndex.empty()) {
            continue;  // glTF has no mesh without triangles
        }
        if (holdsAsNodeMatrix(object.matrix)) {
            if (meshOfModel[object.model] < 0) {
                meshOfModel[object.model] = static_cast<int64_t>(meshes.size());
                meshes.push_back(buildMesh(model.name, model, local));
            }
            nodes.push_back(meshNode(objectName(scene, i),
                                     static_cast<unsigned>(meshOfModel[object.model]),
                                     toAi(object.matrix)));
        } else {
            const WorldPlacement placement = worldPlacement(object.matrix);
            MeshOptions world = local;
            world.placement = &placement;
            nodes.push_back(meshNode(objectName(scene, i), static_cast<unsigned>(meshes.size()),
                                     aiMatrix4x4()));
            meshes.push_back(buildMesh(model.name, model, world));
        }
    }
    setMeshes(*out, meshes);
    setChildren(*out->mRootNode, nodes);
    return out;
}

// One mesh and one node per object, in world coordinates.
std::unique_ptr<aiScene> objectPerObjectScene(const ExportScene& scene) {
    auto out = newScene();
    std::vector<aiMesh*> meshes;
    std::vector<aiNode*> nodes;
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const ExportObject& object = scene.objects[i];
        const ExportModel& model = scene.models[object.model];
        if (model.coordIndex.empty()) {
            continue;
        }
        const WorldPlacement placement = worldPlacement(object.matrix);
        MeshOptions world;
        world.placement = &placement;
        const std::string name = objectName(scene, i);
        nodes.push_back(meshNode(name, static_cast<unsigned>(meshes.size()), aiMatrix4x4()));
        meshes.push_back(buildMesh(name, model, world));
    }
    setMeshes(*out, meshes);
    setChildren(*out->mRootNode, nodes);
    return out;
}

// Every triangle of every object in one mesh of world coordinates.
std::unique_ptr<aiScene> allTrianglesScene(const ExportScene& scene, bool shareVertices) {
    auto out = newScene();
    std::vector<VertexPlan> plans;
    size_t vertices = 0, faces = 0;
    for (const ExportObject& object : scene.objects) {
        plans.push_back(planVertices(scene.models[object.model], shareVertices));
        vertices += plans.back().vertices.size();
        faces += scene.models[object.model].coordIndex.size();
    }
    aiMesh* mesh = newMesh("Tessaly scene", vertices, faces);
    unsigned firstVertex = 0, firstFace = 0;
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const ExportModel& model = scene.models[scene.objects[i].model];
        const WorldPlacement placement = worldPlacement(scene.objects[i].matrix);
        MeshOptions world;
        world.placement = &placement;
        world.shareVertices = shareVertices;
        fillMesh(*mesh, firstVertex, firstFace, model, plans[i], world);
        firstVertex += static_cast<unsigned>(plans[i].vertices.size());
        firstFace += static_cast<unsigned>(model.coordIndex.size());
        plans[i] = {};
    }
    std::vector<aiMesh*> meshes{mesh};
    setMeshes(*out, meshes);
    std::vector<aiNode*> none;
    setChildren(*out->mRootNode, none);
    out->mRootNode->mNumMeshes = 1;
    out->mRootNode->mMeshes = new unsigned[1]{0};
    return out;
}

const char* assimpFormatId(ExportFormat format) {
    switch (format) {
        case ExportFormat::Glb:
            return "glb2";
        case ExportFormat::Gltf:
            return "gltf2";
        case ExportFormat::Obj:
            return "objnomtl";
        case ExportFormat::Stl:
            return "stlb";
        case ExportFormat::Ply:
            return "plyb";
        case ExportFormat::Wrl:
            break;
    }
    return nullptr;
}

// A text glTF written to memory names its buffer after Assimp's stand-in file name; the file that
// is written beside it carries the export's own name.
void renameBufferReference(std::string& json, const std::string& from, const std::string& to) {
    const std::string quotedFrom = "\"" + from + "\"";
    const size_t at = json.find(quotedFrom);
    if (at != std::string::npos) {
        json.replace(at, quotedFrom.size(), "\"" + to + "\"");
    }
}

// A file name as a relative URI: characters a URI path may not hold (a space, a quote, '%', '#',
// '?', anything outside ASCII) percent-encoded, which also keeps the JSON string well formed.
std::string uriOf(std::string_view name) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string_view("-._~!$&'()*+,;=@").find(c) != std::string_view::npos;
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += HEX[byte >> 4];
            uri += HEX[byte & 15];
        }
    }
    return uri;
}

}  // namespace

AssimpExportOutcome exportWithAssimp(const ExportScene& scene, ExportFormat format,
                                     std::string_view baseName) {
    AssimpExportOutcome outcome;
    const char* id = assimpFormatId(format);
    if (id == nullptr) {
        outcome.message = "not exported: no such format";
        return outcome;
    }
    outcome.message = exportProblem(scene, 0xffffffffu);
    if (!outcome.message.empty()) {
        return outcome;
    }
    std::unique_ptr<aiScene> out;
    switch (format) {
        case ExportFormat::Glb:
        case ExportFormat::Gltf:
            out = structuredScene(scene);
            break;
        case ExportFormat::Obj:
            out = objectPerObjectScene(scene);
            break;
        case ExportFormat::Stl:
            out = allTrianglesScene(scene, false);
            break;
        default:
            out = allTrianglesScene(scene, true);
            break;
    }
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(out.get(), id);
    if (blob == nullptr) {
        outcome.message = std::string("not exported: ") + exporter.GetErrorString();
        return outcome;
    }
    for (const aiExportDataBlob* part = blob; part != nullptr; part = part->next) {
        ExportBlob exported;
        exported.bytes.assign(static_cast<const char*>(part->data), part->size);
        if (part != blob) {
            exported.suffix = std::string(".") + part->name.C_Str();
        }
        outcome.blobs.push_back(std::move(exported));
    }
    if (format == ExportFormat::Gltf && outcome.blobs.size() > 1) {
        // ExportToBlob writes as if to a file named by AI_BLOBIO_MAGIC.
        renameBufferReference(outcome.blobs[0].bytes, std::string(AI_BLOBIO_MAGIC) + ".bin",
                              uriOf(std::string(baseName) + ".bin"));
    }
    outcome.written = true;
    return outcome;
}
