// Indexed face sets are read from their nodes rather than from Coin's triangle callbacks: that
// keeps the file's indexed points (a triangle callback hands over every corner on its own),
// splits faces as the classic reading does, and takes the file's normals as they are written and
// flat normals where there are none (Coin would make its own, smoothed by creaseAngle). Every
// other shape (primitives, strips, grids, extrusions, ...) reaches the builder as the triangles
// Coin makes of it, with Coin's normals, its corners merged where point and normal agree.
#include "reader_helper/scene_walk.h"

#include <Inventor/SoPath.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLGeometry.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedLineSet.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLPointSet.h>
#include <Inventor/VRMLnodes/SoVRMLText.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/elements/SoShapeHintsElement.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/misc/SoState.h>
#include <Inventor/nodes/SoAsciiText.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoIndexedLineSet.h>
#include <Inventor/nodes/SoLineSet.h>
#include <Inventor/nodes/SoPointSet.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoText2.h>
#include <Inventor/nodes/SoText3.h>
#include <Inventor/nodes/SoVertexProperty.h>
#include <Inventor/nodes/SoWWWInline.h>

#include <algorithm>
#include <cstring>

#include "reader_helper/vrml_hazards.h"

namespace coin_reading {

namespace {

static_assert(sizeof(SbVec3f) == sizeof(Vec3f), "Coin's vectors are three floats");

// A graph deeper than this contains itself (DEF A Group { children USE A }), or nearly so; Coin
// would recurse until its stack is gone.
constexpr int MAX_GRAPH_DEPTH = 2 * static_cast<int>(MAX_NESTING);

std::span<const Vec3f> vectors(const SbVec3f* data, int count) {
    return {reinterpret_cast<const Vec3f*>(data), static_cast<size_t>(count)};
}

std::span<const Vec3f> vectors(const SoMFVec3f& field) {
    return vectors(field.getValues(0), field.getNum());
}

std::span<const int32_t> indices(const SoMFInt32& field) {
    return {field.getValues(0), static_cast<size_t>(field.getNum())};
}

std::array<float, 16> modelMatrix(SoCallbackAction* action) {
    const SbMatrix& m = action->getModelMatrix();
    std::array<float, 16> out;
    for (size_t i = 0; i < 16; ++i) {
        out[i] = m[i / 4][i % 4];  // Coin's row-vector matrix is GL's column-major one
    }
    return out;
}

// True for a VRML 1.0 normalIndex that is empty or Coin's default [-1]: the corners then take
// the normals through coordIndex.
bool noIndex(const SoMFInt32& index) {
    return index.getNum() == 0 || (index.getNum() == 1 && index[0] < 0);
}

NormalBinding vrml1Binding(int binding, bool indexGiven) {
    switch (binding) {
        case SoVertexProperty::OVERALL:
            return NormalBinding::Overall;
        case SoVertexProperty::PER_PART:
        case SoVertexProperty::PER_FACE:
            return NormalBinding::PerFaceInOrder;
        case SoVertexProperty::PER_PART_INDEXED:
        case SoVertexProperty::PER_FACE_INDEXED:
            return indexGiven ? NormalBinding::PerFaceIndexed : NormalBinding::PerFaceInOrder;
        case SoVertexProperty::PER_VERTEX:
            return NormalBinding::PerCornerInOrder;
        default:
            return NormalBinding::PerCornerIndexed;
    }
}

// VRML 1.0 faces are two-sided where a ShapeHints in force does not call the shape SOLID. The
// shape hints element is set (its depth above 0) only where such a node, or a VRML 2.0 node
// acting for itself, set it.
bool vrml1TwoSided(SoCallbackAction* action) {
    SoState* state = action->getState();
    const SoElement* hints = state->getConstElement(SoShapeHintsElement::getClassStackIndex());
    return hints->getDepth() > 0 && action->getShapeType() != SoShapeHints::SOLID;
}

bool isAny(const SoNode* node, std::initializer_list<SoType> types) {
    for (const SoType& type : types) {
        if (node->isOfType(type)) {
            return true;
        }
    }
    return false;
}

// The triangles Coin makes of the shape being walked, in the shape's own coordinates, their
// corners merged where point and normal agree. Coin hands over strips, fans and rows, so a corner
// met again was nearly always met shortly before: a direct-mapped table of the corners met last
// finds it, stays in the processor's cache and never grows (a complete map of every corner took
// most of the reading's time on large grids, for few more merges).
struct ShapeTriangles {
    static constexpr size_t RECENT_CORNERS = 1 << 16;

    bool open = false;
    std::array<float, 16> matrix = IDENTITY;
    bool twoSided = false;
    std::vector<Vec3f> points, normals;
    std::vector<std::array<int32_t, 3>> triangles;
    std::vector<int32_t> recent = std::vector<int32_t>(RECENT_CORNERS, -1);  // corner numbers

    static size_t slot(const Vec3f& p, const Vec3f& n) {
        uint32_t words[6];
        std::memcpy(words, &p, 12);
        std::memcpy(words + 3, &n, 12);
        uint64_t h = 0x9E3779B97F4A7C15u;
        for (const uint32_t w : words) {
            h = (h ^ w) * 0xFF51AFD7ED558CCDu;
            h ^= h >> 32;
        }
        return static_cast<size_t>(h) & (RECENT_CORNERS - 1);
    }

    static bool same(const Vec3f& a, const Vec3f& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    }

    int32_t corner(const SoPrimitiveVertex* v) {
        const SbVec3f& sp = v->getPoint();
        const SbVec3f& sn = v->getNormal();
        const Vec3f p{sp[0], sp[1], sp[2]};
        const Vec3f n{sn[0], sn[1], sn[2]};
        int32_t& known = recent[slot(p, n)];
        // A number left from an earlier shape fails these checks like any other stale entry.
        if (known >= 0 && static_cast<size_t>(known) < points.size() &&
            same(points[static_cast<size_t>(known)], p) &&
            same(normals[static_cast<size_t>(known)], n)) {
            return known;
        }
        known = static_cast<int32_t>(points.size());
        points.push_back(p);
        normals.push_back(n);
        return known;
    }

    void clear() {
        open = false;
        points.clear();
        normals.clear();
        triangles.clear();
    }
};

struct Walker {
    SceneWalk& walk;
    ShapeTriangles shape;

    SoCallbackAction::Response halt(std::string why) {
        walk.stop = std::move(why);
        return SoCallbackAction::ABORT;
    }

    // Hands the triangles of the shape walked last to the builder.
    bool closeShape() {
        if (!shape.open) {
            return true;
        }
        TriangleUse use;
        use.matrix = shape.matrix;
        use.points = shape.points;
        use.normals = shape.normals;
        use.triangles = shape.triangles;
        use.twoSided = shape.twoSided;
        const bool added = walk.builder.add(use);
        shape.clear();
        if (!added) {
            walk.stop = walk.builder.limitMessage();
        }
        return added;
    }

    SoCallbackAction::Response addFaceSet(const FaceSetUse& use) {
        if (!walk.builder.add(use)) {
            return halt(walk.builder.limitMessage());
        }
        return SoCallbackAction::PRUNE;
    }

    // VRML 1.0 (and Inventor): points, normals and their binding come from the traversal state,
    // unless the face set carries its own in a VertexProperty.
    SoCallbackAction::Response vrml1FaceSet(SoCallbackAction* action,
                                            const SoIndexedFaceSet* faceSet) {
        SoState* state = action->getState();
        const SoNode* propertyNode = faceSet->vertexProperty.getValue();
        const SoVertexProperty* property =
            propertyNode && propertyNode->isOfType(SoVertexProperty::getClassTypeId())
                ? static_cast<const SoVertexProperty*>(propertyNode)
                : nullptr;
        FaceSetUse use;
        use.matrix = modelMatrix(action);
        use.coordIndex = indices(faceSet->coordIndex);
        if (property && property->vertex.getNum() > 0) {
            use.points = vectors(property->vertex);
        } else {
            use.points = coordinates(SoCoordinateElement::getInstance(state));
        }
        const bool indexGiven = !noIndex(faceSet->normalIndex);
        int binding = action->getNormalBinding();
        if (property && property->normal.getNum() > 0) {
            use.normals = vectors(property->normal);
            binding = property->normalBinding.getValue();
        } else if (const SoNormalElement* normals = SoNormalElement::getInstance(state);
                   normals->getNum() > 0) {
            use.normals = vectors(normals->getArrayPtr(), normals->getNum());
        }
        if (!use.normals.empty()) {
            use.binding = vrml1Binding(binding, indexGiven);
            if (indexGiven) {
                use.normalIndex = indices(faceSet->normalIndex);
            }
        }
        use.clockwise = action->getVertexOrdering() == SoShapeHints::CLOCKWISE;
        use.convex = action->getFaceType() == SoShapeHints::CONVEX;
        use.twoSided = vrml1TwoSided(action);
        return addFaceSet(use);
    }

    // VRML 2.0: the face set names its Coordinate and Normal nodes itself. One whose points come
    // from elsewhere is left to Coin's triangles.
    SoCallbackAction::Response vrml2FaceSet(SoCallbackAction* action,
                                            const SoVRMLIndexedFaceSet* faceSet) {
        const SoNode* coord = faceSet->coord.getValue();
        if (!coord) {
            return SoCallbackAction::PRUNE;
        }
        if (!coord->isOfType(SoVRMLCoordinate::getClassTypeId())) {
            return openShape(action, faceSet);
        }
        FaceSetUse use;
        use.matrix = modelMatrix(action);
        use.points = vectors(static_cast<const SoVRMLCoordinate*>(coord)->point);
        use.coordIndex = indices(faceSet->coordIndex);
        const SoNode* normal = faceSet->normal.getValue();
        if (normal && normal->isOfType(SoVRMLNormal::getClassTypeId()) &&
            static_cast<const SoVRMLNormal*>(normal)->vector.getNum() > 0) {
            use.normals = vectors(static_cast<const SoVRMLNormal*>(normal)->vector);
            const bool indexGiven = faceSet->normalIndex.getNum() > 0;
            if (indexGiven) {
                use.normalIndex = indices(faceSet->normalIndex);
            }
            use.binding =
                faceSet->normalPerVertex.getValue()
                    ? NormalBinding::PerCornerIndexed
                    : (indexGiven ? NormalBinding::PerFaceIndexed : NormalBinding::PerFaceInOrder);
        }
        use.clockwise = !faceSet->ccw.getValue();
        use.convex = faceSet->convex.getValue();
        use.twoSided = !faceSet->solid.getValue();
        return addFaceSet(use);
    }

    // Every other shape: its triangles arrive through triangleCallback until the next shape.
    SoCallbackAction::Response openShape(SoCallbackAction* action, const SoNode* node) {
        // Coin sizes the normals it makes for an indexed shape by the shape's largest index,
        // however few points there are: an index no point list within the limits can have is
        // refused before Coin allocates for it.
        const SoField* indexField = node->getField("coordIndex");
        if (indexField && indexField->isOfType(SoMFInt32::getClassTypeId())) {
            const auto* coordIndex = static_cast<const SoMFInt32*>(indexField);
            const int32_t* values = coordIndex->getValues(0);
            for (int i = 0; i < coordIndex->getNum(); ++i) {
                if (values[i] < -1 || static_cast<size_t>(values[i]) >= walk.limits.points) {
                    return halt("a coordIndex of " + std::to_string(values[i]) +
                                ", beyond the limit of " + std::to_string(walk.limits.points) +
                                " points");
                }
            }
        }
        shape.open = true;
        shape.matrix = modelMatrix(action);
        if (node->isOfType(SoVRMLGeometry::getClassTypeId())) {
            // Face sets, grids and extrusions say so in their solid field; the VRML 2.0
            // primitives have none and are always solid.
            const SoField* solid = node->getField("solid");
            shape.twoSided = solid && solid->isOfType(SoSFBool::getClassTypeId()) &&
                             !static_cast<const SoSFBool*>(solid)->getValue();
        } else {
            shape.twoSided = vrml1TwoSided(action);
        }
        return SoCallbackAction::CONTINUE;
    }

    void triangle(const SoPrimitiveVertex* v0, const SoPrimitiveVertex* v1,
                  const SoPrimitiveVertex* v2) {
        if (!shape.open || !walk.stop.empty()) {
            return;
        }
        if (walk.builder.triangles() + shape.triangles.size() >= walk.limits.triangles) {
            walk.stop = "more than " + std::to_string(walk.limits.triangles) + " triangles";
            return;
        }
        // Coin's corner order is not always the front's; its normals are.
        const SbVec3f facing =
            (v1->getPoint() - v0->getPoint()).cross(v2->getPoint() - v0->getPoint());
        const SbVec3f normals = v0->getNormal() + v1->getNormal() + v2->getNormal();
        if (facing.dot(normals) < 0) {
            std::swap(v1, v2);
        }
        shape.triangles.push_back({shape.corner(v0), shape.corner(v1), shape.corner(v2)});
    }

    std::span<const Vec3f> coordinates(const SoCoordinateElement* element) {
        const int count = element->getNum();
        if (element->is3D()) {
            return vectors(element->getArrayPtr3(), count);
        }
        auto [at, fresh] = walk.madeThreeD.try_emplace({element->getArrayPtr4(), count});
        if (fresh) {
            at->second.resize(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i) {
                const SbVec3f p = element->get3(i);
                at->second[static_cast<size_t>(i)] = {p[0], p[1], p[2]};
            }
        }
        return at->second;
    }

    SoCallbackAction::Response node(SoCallbackAction* action, const SoNode* node) {
        if (!walk.stop.empty()) {
            return SoCallbackAction::ABORT;
        }
        if (++walk.visits > walk.limits.nodeVisits) {
            return halt("more than " + std::to_string(walk.limits.nodeVisits) +
                        " nodes met while walking the scene graph (DEF/USE repeat them)");
        }
        if (action->getCurPath()->getLength() > MAX_GRAPH_DEPTH) {
            return halt("a scene graph deeper than " + std::to_string(MAX_GRAPH_DEPTH) +
                        " levels (a node that contains itself?)");
        }
        if (isAny(node, {SoVRMLInline::getClassTypeId(), SoWWWInline::getClassTypeId(),
                         SoFile::getClassTypeId()})) {
            ++walk.findings.inlines;
            return SoCallbackAction::PRUNE;
        }
        if (!node->isOfType(SoShape::getClassTypeId())) {
            return SoCallbackAction::CONTINUE;
        }
        if (!closeShape()) {
            return SoCallbackAction::ABORT;
        }
        ++walk.findings.shapes;
        if (++walk.placements > walk.limits.faceSetPlacements) {
            return halt("more than " + std::to_string(walk.limits.faceSetPlacements) +
                        " shapes in the scene graph");
        }
        if (isAny(node, {SoText2::getClassTypeId(), SoText3::getClassTypeId(),
                         SoAsciiText::getClassTypeId(), SoVRMLText::getClassTypeId()})) {
            ++walk.findings.texts;
            return SoCallbackAction::PRUNE;
        }
        if (isAny(node, {SoLineSet::getClassTypeId(), SoIndexedLineSet::getClassTypeId(),
                         SoPointSet::getClassTypeId(), SoVRMLIndexedLineSet::getClassTypeId(),
                         SoVRMLPointSet::getClassTypeId()})) {
            ++walk.findings.linesOrPoints;
            return SoCallbackAction::PRUNE;
        }
        if (node->isOfType(SoIndexedFaceSet::getClassTypeId())) {
            return vrml1FaceSet(action, static_cast<const SoIndexedFaceSet*>(node));
        }
        if (node->isOfType(SoVRMLIndexedFaceSet::getClassTypeId())) {
            return vrml2FaceSet(action, static_cast<const SoVRMLIndexedFaceSet*>(node));
        }
        return openShape(action, node);
    }
};

SoCallbackAction::Response nodeCallback(void* data, SoCallbackAction* action, const SoNode* node) {
    return static_cast<Walker*>(data)->node(action, node);
}

void triangleCallback(void* data, SoCallbackAction*, const SoPrimitiveVertex* v0,
                      const SoPrimitiveVertex* v1, const SoPrimitiveVertex* v2) {
    static_cast<Walker*>(data)->triangle(v0, v1, v2);
}

}  // namespace

bool SceneWalk::walk(SoNode* root) {
    Walker walker{*this, {}};
    SoCallbackAction action;
    action.addPreCallback(SoNode::getClassTypeId(), nodeCallback, &walker);
    action.addTriangleCallback(SoShape::getClassTypeId(), triangleCallback, &walker);
    action.apply(root);
    if (stop.empty()) {
        walker.closeShape();
    }
    return stop.empty();
}

}  // namespace coin_reading
