#pragma once

// Buffer objects, looked up at run time: the program is built against OpenGL 1.1, and they come
// with OpenGL 1.5 or, under other names with the same signatures, GL_ARB_vertex_buffer_object.

#include <GL/gl.h>
#include <GL/glext.h>

struct GlBufferFunctions {
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;
    PFNGLBUFFERSUBDATAPROC bufferSubData = nullptr;
    PFNGLISBUFFERPROC isBuffer = nullptr;
    PFNGLGETBUFFERSUBDATAPROC getBufferSubData = nullptr;
};

// The functions for the current context, or null when its GL offers no buffer objects.
const GlBufferFunctions* bufferFunctionsOfCurrentContext();

// The environment variable that, set to anything but "" or "0", keeps every Mesh in client memory
// and draws it from there, as on a GL without buffer objects.
constexpr const char* CLIENT_ARRAYS_VARIABLE = "TESSALY_CLIENT_ARRAYS";
bool clientArraysForced();
