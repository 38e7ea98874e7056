#include "coin_baseline.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>

namespace {

void countTriangle(void* count, SoCallbackAction*, const SoPrimitiveVertex*,
                   const SoPrimitiveVertex*, const SoPrimitiveVertex*) {
    ++*static_cast<size_t*>(count);
}

}  // namespace

size_t coinReadAndTraverse(const std::string& path) {
    SoDB::init();
    SoInput input;
    if (!input.openFile(path.c_str())) {
        return 0;
    }
    SoSeparator* root = SoDB::readAll(&input);
    if (!root) {
        return 0;
    }
    root->ref();
    size_t triangles = 0;
    SoCallbackAction action;
    action.addTriangleCallback(SoShape::getClassTypeId(), countTriangle, &triangles);
    action.apply(root);
    root->unref();
    return triangles;
}
