// The full reading: Coin3D parses the file in a child process (isolated_run.h) and walks its
// scene graph with an SoCallbackAction, whose state gives every node the model matrix and the
// VRML 1.0 properties (coordinates, normals, normal binding, vertex ordering) that hold where the
// node is met. A pre-callback on each IndexedFaceSet type sends the face set's own lists, once
// each however often DEF/USE repeat them, and one placement (matrix and list numbers) per place
// (face_set_stream.h). The program then builds the Mesh from that (face_set_assembly.h).
//
// Walking the nodes instead of taking Coin's triangle callbacks keeps the file's indexed points
// (a triangle callback hands over every corner as a separate vertex, three times the points),
// splits faces as the classic reading does, takes the file's normals as they are written and
// flat normals where there are none (Coin would make its own, smoothed by creaseAngle), and hands
// the lists over as Coin holds them, in a few large writes, instead of one call per triangle.
//
// The parser runs in a child process because it is not safe on hostile input (vrml_prescan.h
// lists what it is never given; fuzzing found crashes beyond that). A crash, an endless walk or
// a memory blow-up ends the child, and the file is read the classic way.
#include "library/full_vrml_reader.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/elements/SoCoordinateElement.h>
#include <Inventor/elements/SoNormalElement.h>
#include <Inventor/errors/SoDebugError.h>
#include <Inventor/errors/SoMemoryError.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/misc/SoProto.h>
#include <Inventor/nodes/SoFile.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShapeHints.h>
#include <Inventor/nodes/SoVertexProperty.h>
#include <Inventor/nodes/SoWWWInline.h>

#include <map>
#include <utility>
#include <vector>

#include "library/face_set_assembly.h"
#include "library/face_set_stream.h"
#include "library/isolated_run.h"
#include "library/mapped_file.h"
#include "library/vrml_prescan.h"

namespace {

static_assert(sizeof(SbVec3f) == sizeof(Vec3f), "Coin's vectors are three floats");

// A graph deeper than this contains itself (DEF A Group { children USE A }), or nearly so; Coin
// would recurse until its stack is gone.
constexpr int MAX_GRAPH_DEPTH = 2 * static_cast<int>(MAX_NESTING);

// What Coin reported while reading, in one line: its messages span lines and name the buffer.
std::string coinMessages;

void collectCoinMessage(const SoError* error, void*) {
    constexpr size_t KEEP = 600;
    if (coinMessages.size() >= KEEP) {
        return;
    }
    std::string text = error->getDebugString().getString();
    std::string flat;
    bool space = false;
    for (const char c : text) {
        const bool white = c == ' ' || c == '\n' || c == '\t' || c == '\r';
        if (white) {
            space = !flat.empty();
        } else {
            if (space) {
                flat += ' ';
            }
            flat += c;
            space = false;
        }
    }
    const std::string buffer = " in <memory>";
    if (const size_t at = flat.find(buffer); at != std::string::npos) {
        flat.erase(at, buffer.size());
    }
    coinMessages += (coinMessages.empty() ? "" : " / ") + flat;
    if (coinMessages.size() > KEEP) {
        coinMessages.resize(KEEP);
        coinMessages += "...";
    }
}

// Nothing a model file names is fetched: inlined files, external prototypes, images.
void skipInline(const SbString&, void*, SoVRMLInline*) {}
void skipWwwInline(const SbString&, void*, SoWWWInline*) {}
SoProto* emptyExternProto(SoInput*, const SbString*, int, void*) {
    return new SoProto(TRUE);
}
SbBool skipImage(const SbString&, void*, SoVRMLImageTexture*) {
    return FALSE;
}

// The Inventor File node reads the file it names while it is read itself; this one does not.
struct FileWithoutInclude : SoFile {
    SbBool readNamedFile(SoInput*) override { return TRUE; }
};
void* makeFileWithoutInclude() {
    return new FileWithoutInclude;
}

void initCoin() {
    static const bool ready = [] {
        SoDB::init();
        SoError::setHandlerCallback(collectCoinMessage, nullptr);
        SoDebugError::setHandlerCallback(collectCoinMessage, nullptr);
        SoReadError::setHandlerCallback(collectCoinMessage, nullptr);
        SoMemoryError::setHandlerCallback(collectCoinMessage, nullptr);
        SoVRMLInline::setFetchURLCallBack(skipInline, nullptr);
        SoWWWInline::setFetchURLCallBack(skipWwwInline, nullptr);
        SoProto::setFetchExternProtoCallback(emptyExternProto, nullptr);
        SoVRMLImageTexture::setDelayFetchURL(TRUE);
        SoVRMLImageTexture::setPrequalifyFileCallBack(skipImage, nullptr);
        SoType::overrideType(SoFile::getClassTypeId(), makeFileWithoutInclude);
        return true;
    }();
    (void)ready;
}

// True for a VRML 1.0 normalIndex that is empty or Coin's default [-1]: the corners then take
// the normals through coordIndex.
bool noIndex(const SoMFInt32& index) {
    return index.getNum() == 0 || (index.getNum() == 1 && index[0] < 0);
}

// The graph walk in the parsing process.
struct GraphWalk {
    GraphWalk(FaceSetWriter& writer, const FullVrmlLimits& walkLimits)
        : out(writer), limits(walkLimits) {}

    FaceSetWriter& out;
    const FullVrmlLimits& limits;
    std::map<std::pair<const void*, int>, uint32_t> vectorLists, indexLists;
    std::map<std::pair<const void*, int>, size_t> trianglesOfList;
    size_t visits = 0;
    size_t placements = 0;
    size_t triangles = 0;
    std::string stop;  // why the walk ended early

    uint32_t vectors(const SbVec3f* data, int count) {
        auto [at, fresh] = vectorLists.try_emplace({data, count}, vectorLists.size());
        if (fresh) {
            out.vectors(reinterpret_cast<const Vec3f*>(data), static_cast<size_t>(count));
        }
        return at->second;
    }

    uint32_t vectors(const SoMFVec3f& field) { return vectors(field.getValues(0), field.getNum()); }

    // Homogeneous coordinates (Coordinate4) cross as their 3-D points.
    uint32_t coordinates(const SoCoordinateElement* element) {
        const int count = element->getNum();
        if (element->is3D()) {
            return vectors(element->getArrayPtr3(), count);
        }
        auto [at, fresh] =
            vectorLists.try_emplace({element->getArrayPtr4(), count}, vectorLists.size());
        if (fresh) {
            std::vector<Vec3f> points(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i) {
                const SbVec3f p = element->get3(i);
                points[static_cast<size_t>(i)] = {p[0], p[1], p[2]};
            }
            out.vectors(points.data(), points.size());
        }
        return at->second;
    }

    uint32_t indices(const SoMFInt32& field) {
        auto [at, fresh] =
            indexLists.try_emplace({field.getValues(0), field.getNum()}, indexLists.size());
        if (fresh) {
            out.indices(field.getValues(0), static_cast<size_t>(field.getNum()));
        }
        return at->second;
    }

    // Counts the face set against the limits; false when it makes no triangle or the walk
    // must stop.
    bool admit(const SoMFInt32& coordIndex) {
        auto [at, fresh] =
            trianglesOfList.try_emplace({coordIndex.getValues(0), coordIndex.getNum()}, 0);
        if (fresh) {
            at->second = fanTriangleCount(
                {coordIndex.getValues(0), static_cast<size_t>(coordIndex.getNum())});
        }
        if (at->second == 0) {
            return false;
        }
        triangles += at->second;
        if (++placements > limits.faceSetPlacements) {
            stop = "more than " + std::to_string(limits.faceSetPlacements) +
                   " face sets in the scene graph";
        } else if (triangles > limits.triangles) {
            stop = "more than " + std::to_string(limits.triangles) + " triangles";
        }
        return stop.empty();
    }

    SoCallbackAction::Response finish(FaceSetPlacement& p, SoCallbackAction* action,
                                      const SoMFInt32& coordIndex) {
        const SbMatrix& m = action->getModelMatrix();
        for (int i = 0; i < 16; ++i) {
            p.matrix[i] = m[i / 4][i % 4];  // Coin's row-vector matrix is GL's column-major
        }
        p.coordIndex = indices(coordIndex);
        out.placement(p);
        return SoCallbackAction::CONTINUE;
    }
};

SoCallbackAction::Response countNode(void* data, SoCallbackAction* action, const SoNode*) {
    auto& walk = *static_cast<GraphWalk*>(data);
    if (++walk.visits > walk.limits.nodeVisits) {
        walk.stop = "more than " + std::to_string(walk.limits.nodeVisits) +
                    " nodes met while walking the scene graph (DEF/USE repeat them)";
        return SoCallbackAction::ABORT;
    }
    if (action->getCurPath()->getLength() > MAX_GRAPH_DEPTH) {
        walk.stop = "a scene graph deeper than " + std::to_string(MAX_GRAPH_DEPTH) +
                    " levels (a node that contains itself?)";
        return SoCallbackAction::ABORT;
    }
    return SoCallbackAction::CONTINUE;
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

// VRML 1.0 (and Inventor): points, normals and their binding come from the traversal state,
// unless the face set carries its own in a VertexProperty.
SoCallbackAction::Response vrml1FaceSet(void* data, SoCallbackAction* action, const SoNode* node) {
    auto& walk = *static_cast<GraphWalk*>(data);
    const auto* faceSet = static_cast<const SoIndexedFaceSet*>(node);
    if (!walk.admit(faceSet->coordIndex)) {
        return walk.stop.empty() ? SoCallbackAction::CONTINUE : SoCallbackAction::ABORT;
    }
    SoState* state = action->getState();
    const SoNode* propertyNode = faceSet->vertexProperty.getValue();
    const SoVertexProperty* property =
        propertyNode && propertyNode->isOfType(SoVertexProperty::getClassTypeId())
            ? static_cast<const SoVertexProperty*>(propertyNode)
            : nullptr;
    FaceSetPlacement p;
    p.points = property && property->vertex.getNum() > 0
                   ? walk.vectors(property->vertex)
                   : walk.coordinates(SoCoordinateElement::getInstance(state));
    const bool indexGiven = !noIndex(faceSet->normalIndex);
    int binding = action->getNormalBinding();
    if (property && property->normal.getNum() > 0) {
        p.normals = walk.vectors(property->normal);
        binding = property->normalBinding.getValue();
    } else if (const SoNormalElement* normals = SoNormalElement::getInstance(state);
               normals->getNum() > 0) {
        p.normals = walk.vectors(normals->getArrayPtr(), normals->getNum());
    }
    if (p.normals != NO_LIST) {
        p.binding = vrml1Binding(binding, indexGiven);
        if (indexGiven) {
            p.normalIndex = walk.indices(faceSet->normalIndex);
        }
    }
    p.clockwise = action->getVertexOrdering() == SoShapeHints::CLOCKWISE;
    return walk.finish(p, action, faceSet->coordIndex);
}

// VRML 2.0: the face set names its Coordinate and Normal nodes itself.
SoCallbackAction::Response vrml2FaceSet(void* data, SoCallbackAction* action, const SoNode* node) {
    auto& walk = *static_cast<GraphWalk*>(data);
    const auto* faceSet = static_cast<const SoVRMLIndexedFaceSet*>(node);
    const SoNode* coord = faceSet->coord.getValue();
    if (!coord || !coord->isOfType(SoVRMLCoordinate::getClassTypeId())) {
        return SoCallbackAction::CONTINUE;
    }
    if (!walk.admit(faceSet->coordIndex)) {
        return walk.stop.empty() ? SoCallbackAction::CONTINUE : SoCallbackAction::ABORT;
    }
    FaceSetPlacement p;
    p.points = walk.vectors(static_cast<const SoVRMLCoordinate*>(coord)->point);
    const SoNode* normal = faceSet->normal.getValue();
    if (normal && normal->isOfType(SoVRMLNormal::getClassTypeId()) &&
        static_cast<const SoVRMLNormal*>(normal)->vector.getNum() > 0) {
        p.normals = walk.vectors(static_cast<const SoVRMLNormal*>(normal)->vector);
        const bool indexGiven = faceSet->normalIndex.getNum() > 0;
        if (indexGiven) {
            p.normalIndex = walk.indices(faceSet->normalIndex);
        }
        p.binding =
            faceSet->normalPerVertex.getValue()
                ? NormalBinding::PerCornerIndexed
                : (indexGiven ? NormalBinding::PerFaceIndexed : NormalBinding::PerFaceInOrder);
    }
    p.clockwise = !faceSet->ccw.getValue();
    return walk.finish(p, action, faceSet->coordIndex);
}

// Runs in the child: parse, walk, write. False only when the output could not be written.
bool parseAndWalk(std::string_view text, int fd, const FullVrmlLimits& limits) {
    FaceSetWriter out(fd);
    coinMessages.clear();
    SoInput input;
    input.setBuffer(text.data(), text.size());
    SoSeparator* root = SoDB::readAll(&input);
    if (!root) {
        out.rejected(coinMessages.empty() ? "the VRML parser rejected the file" : coinMessages);
        return out.end();
    }
    root->ref();
    GraphWalk walk(out, limits);
    SoCallbackAction action;
    action.addPreCallback(SoNode::getClassTypeId(), countNode, &walk);
    action.addPreCallback(SoIndexedFaceSet::getClassTypeId(), vrml1FaceSet, &walk);
    action.addPreCallback(SoVRMLIndexedFaceSet::getClassTypeId(), vrml2FaceSet, &walk);
    action.apply(root);
    if (!walk.stop.empty()) {
        out.rejected(walk.stop);
    }
    // The child ends without tearing the graph down: the process's end frees it all at once.
    return out.end();
}

std::string megabytes(double value) {
    return std::to_string(static_cast<long long>(value)) + " MB";
}

}  // namespace

FullVrmlResult readFullVrmlText(Mesh& mesh, std::string_view text, const FullVrmlLimits& limits) {
    using Status = FullVrmlResult::Status;
    if (std::optional<std::string> hazard = parserHazard(text)) {
        return {Status::Rejected, "not given to the VRML parser: " + *hazard};
    }
    initCoin();
    const double fileMegabytes = static_cast<double>(text.size()) / (1 << 20);
    const double seconds = limits.seconds + limits.secondsPerMegabyte * fileMegabytes;
    const double memory = static_cast<double>(limits.megabytes) +
                          static_cast<double>(limits.megabytesPerMegabyte) * fileMegabytes;
    IsolatedRun run;
    runIsolated(
        run, [&](int fd) { return parseAndWalk(text, fd, limits); }, seconds,
        static_cast<size_t>(memory * (1 << 20)));
    switch (run.outcome) {
        case IsolatedRun::Outcome::Finished:
            break;
        case IsolatedRun::Outcome::TimedOut:
            return {Status::Rejected, "the VRML parser did not finish within " +
                                          std::to_string(static_cast<int>(seconds)) + " s"};
        case IsolatedRun::Outcome::TooMuchMemory:
            return {Status::Rejected, "the VRML parser needed more than " + megabytes(memory)};
        case IsolatedRun::Outcome::Failed:
        case IsolatedRun::Outcome::NotStarted:
            return {Status::Rejected, "the VRML parser failed: " + run.detail};
    }
    FaceSets sets;
    std::string rejection;
    if (!decodeFaceSets(run.bytes, sets, rejection)) {
        return {Status::Rejected, "the VRML parser's output was cut short"};
    }
    if (!rejection.empty()) {
        return {Status::Rejected, rejection};
    }
    if (std::optional<std::string> error =
            assembleMesh(sets, mesh, limits.triangles, limits.points)) {
        return {Status::Rejected, *error};
    }
    return {Status::Read, {}};
}

FullVrmlResult readFullVrml(Mesh& mesh, const std::string& path, const FullVrmlLimits& limits) {
    MappedFile file;
    if (!file.open(path)) {
        return {FullVrmlResult::Status::Unreadable, {}};
    }
    return readFullVrmlText(mesh, file.text.bytes, limits);
}
