#include "support/export_sample.h"

#include "scene/matrix.h"

namespace {

ExportModel view(const char* name, const MeshLists& lists) {
    return {name, lists.points, lists.normals, lists.coordIndex, lists.normalIndex};
}

}  // namespace

const char* const SAMPLE_CUBE_WRL =
    "#VRML V2.0 utf8\n"
    "Shape { geometry IndexedFaceSet {\n"
    " coord Coordinate { point [ -0.5 -0.5 -0.5, 0.5 -0.5 -0.5, 0.5 0.5 -0.5, -0.5 0.5 -0.5,\n"
    "  -0.5 -0.5 0.5, 0.5 -0.5 0.5, 0.5 0.5 0.5, -0.5 0.5 0.5 ] }\n"
    " coordIndex [ 0, 3, 2, 1, -1, 4, 5, 6, 7, -1, 0, 1, 5, 4, -1, 2, 3, 7, 6, -1,\n"
    "  1, 2, 6, 5, -1, 0, 4, 7, 3, -1 ]\n"
    "} }\n";

const char* const SAMPLE_TETRAHEDRON_WRL =
    "#VRML V2.0 utf8\n"
    "Shape { geometry IndexedFaceSet {\n"
    " coord Coordinate { point [ 0 0 0, 1 0 0, 0 2 0, 0 0 3 ] }\n"
    " coordIndex [ 0, 2, 1, -1, 0, 1, 3, -1, 0, 3, 2, -1, 1, 2, 3, -1 ]\n"
    "} }\n";

std::unique_ptr<ExportSample> makeExportSample() {
    auto sample = std::make_unique<ExportSample>();
    MeshLists& cube = sample->cube;
    for (int i = 0; i < 8; ++i) {
        cube.points.push_back({i & 1 ? 0.5 : -0.5, i & 2 ? 0.5 : -0.5, i & 4 ? 0.5 : -0.5});
    }
    // Each face: two triangles and its outward normal, shared by its corners.
    const struct {
        int corners[4];
        Vec3d normal;
    } faces[6] = {{{0, 2, 3, 1}, {0, 0, -1}}, {{4, 5, 7, 6}, {0, 0, 1}},
                  {{0, 1, 5, 4}, {0, -1, 0}}, {{2, 6, 7, 3}, {0, 1, 0}},
                  {{1, 3, 7, 5}, {1, 0, 0}},  {{0, 4, 6, 2}, {-1, 0, 0}}};
    for (const auto& face : faces) {
        const int n = static_cast<int>(cube.normals.size());
        cube.normals.push_back(face.normal);
        const int* c = face.corners;
        cube.coordIndex.push_back({c[0], c[1], c[2]});
        cube.coordIndex.push_back({c[0], c[2], c[3]});
        cube.normalIndex.push_back({n, n, n});
        cube.normalIndex.push_back({n, n, n});
    }
    MeshLists& tetrahedron = sample->tetrahedron;
    tetrahedron.points = {{0, 0, 0}, {1, 0, 0}, {0, 2, 0}, {0, 0, 3}};
    tetrahedron.coordIndex = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

    ExportScene& scene = sample->scene;
    scene.models = {view("cube.wrl", cube), view("tetrahedron.wrl", tetrahedron)};
    const Matrix4 shear = multiply(scaleMatrix(1, 3, 1), rotationMatrix(45, 0, 0, 1));
    scene.objects = {
        {0, identityMatrix()},
        {0, translationMatrix(5, 0, 0)},
        {0, multiply(translationMatrix(0, 4, 0), scaleMatrix(2, 1, 3))},
        {1, multiply(translationMatrix(0, 0, -6), rotationMatrix(90, 0, 0, 1))},
        {0, multiply(translationMatrix(0, 0, 10), shear)},
    };
    return sample;
}
