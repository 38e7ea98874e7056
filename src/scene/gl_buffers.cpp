#include "scene/gl_buffers.h"

#include <GL/glx.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool hasVersion15() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    return version != nullptr && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
           (major > 1 || (major == 1 && minor >= 5));
}

bool hasExtension(std::string_view name) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::string_view rest = list != nullptr ? list : "";
    while (!rest.empty()) {
        const size_t end = std::min(rest.find(' '), rest.size());
        if (rest.substr(0, end) == name) {
            return true;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return false;
}

template <typename Function>
Function lookUp(const char* name, const char* suffix) {
    const std::string full = std::string(name) + suffix;
    return reinterpret_cast<Function>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(full.c_str())));
}

bool load(GlBufferFunctions& f, const char* suffix) {
    f.genBuffers = lookUp<PFNGLGENBUFFERSPROC>("glGenBuffers", suffix);
    f.deleteBuffers = lookUp<PFNGLDELETEBUFFERSPROC>("glDeleteBuffers", suffix);
    f.bindBuffer = lookUp<PFNGLBINDBUFFERPROC>("glBindBuffer", suffix);
    f.bufferData = lookUp<PFNGLBUFFERDATAPROC>("glBufferData", suffix);
    f.bufferSubData = lookUp<PFNGLBUFFERSUBDATAPROC>("glBufferSubData", suffix);
    f.isBuffer = lookUp<PFNGLISBUFFERPROC>("glIsBuffer", suffix);
    f.getBufferSubData = lookUp<PFNGLGETBUFFERSUBDATAPROC>("glGetBufferSubData", suffix);
    return f.genBuffers && f.deleteBuffers && f.bindBuffer && f.bufferData && f.bufferSubData &&
           f.isBuffer && f.getBufferSubData;
}

}  // namespace

const GlBufferFunctions* bufferFunctionsOfCurrentContext() {
    // The entry points do not depend on the context (the GL library dispatches them to the
    // current one); whether the context's GL has them does.
    static GlBufferFunctions core, arb;
    static const bool coreLoaded = load(core, "");
    static const bool arbLoaded = load(arb, "ARB");
    if (coreLoaded && hasVersion15()) {
        return &core;
    }
    if (arbLoaded && hasExtension("GL_ARB_vertex_buffer_object")) {
        return &arb;
    }
    return nullptr;
}

bool clientArraysForced() {
    const char* value = std::getenv(CLIENT_ARRAYS_VARIABLE);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}
