// freeglut gives every window, sub-window and menu its own GL context, made with
// glXCreateNewContext and no share list, and offers no option to pass one (making the windows use
// one context instead would mix up the views' own GL state: lighting, polygon mode, matrices). So
// the program defines glXCreateNewContext itself: the dynamic linker binds freeglut's call to the
// executable's definition before the GL library's, which this one then calls with a share list,
// a live context of the program's. Menus and the panel join too: sharing only pools the names of
// objects, which every user takes from glGen* calls, so nothing of theirs can clash.
//
// Every context made and destroyed here is reported to the drawing side (scene/gl_share_groups.h),
// which keeps buffer objects only in contexts it knows the share group of.
#include "app/shared_gl_contexts.h"

#include <GL/glx.h>
#include <dlfcn.h>

#include "scene/gl_share_groups.h"

namespace {

bool sharing = false;
int contexts = 0;

// The one context of every menu window, and how many menu windows (and freeglut's own spare
// menu context) hold it.
bool makingMenus = false;
GLXContext menuContext = nullptr;
int menuContextUsers = 0;

template <typename Function>
Function glxFunction(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void shareGlObjectsAmongWindows() {
    sharing = true;
}

MenuWindowsShareOneContext::MenuWindowsShareOneContext() {
    makingMenus = true;
}

MenuWindowsShareOneContext::~MenuWindowsShareOneContext() {
    makingMenus = false;
}

int liveWindowContexts() {
    return contexts;
}

extern "C" GLXContext glXCreateNewContext(Display* display, GLXFBConfig config, int renderType,
                                          GLXContext shareList, Bool direct) {
    using Create = GLXContext (*)(Display*, GLXFBConfig, int, GLXContext, Bool);
    static const auto create = glxFunction<Create>("glXCreateNewContext");
    if (create == nullptr) {
        return nullptr;
    }
    if (makingMenus && menuContext != nullptr) {
        ++menuContextUsers;
        return menuContext;
    }
    GLXContext partner = shareList;
    if (partner == nullptr && sharing) {
        partner = static_cast<GLXContext>(const_cast<void*>(anyReportedContext()));
    }
    GLXContext context = create(display, config, renderType, partner, direct);
    if (context == nullptr && partner != shareList) {
        // Refused as a partner: the context gets objects of its own, and drawing keeps its
        // buffer objects separately.
        partner = shareList;
        context = create(display, config, renderType, partner, direct);
    }
    noteContextCreated(context, partner);
    if (context != nullptr) {
        ++contexts;
        if (makingMenus) {
            menuContext = context;
            menuContextUsers = 1;
        }
    }
    return context;
}

extern "C" void glXDestroyContext(Display* display, GLXContext context) {
    using Destroy = void (*)(Display*, GLXContext);
    static const auto destroy = glxFunction<Destroy>("glXDestroyContext");
    if (context != nullptr && context == menuContext) {
        if (--menuContextUsers > 0) {
            return;
        }
        menuContext = nullptr;
    }
    if (context != nullptr) {
        --contexts;
    }
    noteContextDestroyed(context);
    if (destroy != nullptr) {
        destroy(display, context);
    }
}

// A context starts with the viewport of the first window it is made current with; the menu
// context serves windows of many sizes, so it gets the size of each as it comes.
extern "C" Bool glXMakeContextCurrent(Display* display, GLXDrawable draw, GLXDrawable read,
                                      GLXContext context) {
    using MakeCurrent = Bool (*)(Display*, GLXDrawable, GLXDrawable, GLXContext);
    static const auto makeCurrent = glxFunction<MakeCurrent>("glXMakeContextCurrent");
    if (makeCurrent == nullptr) {
        return False;
    }
    const Bool made = makeCurrent(display, draw, read, context);
    if (made && context != nullptr && context == menuContext && draw != 0) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        if (XGetGeometry(display, draw, &root, &x, &y, &width, &height, &border, &depth)) {
            glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        }
    }
    return made;
}
