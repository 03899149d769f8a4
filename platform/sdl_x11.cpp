// The window as the X server has it. On a bare X server (no window manager) nobody carries
// out SDL's fullscreen switch: the window keeps its old size while SDL reports the screen's.
// Xlib's functions come from the library SDL itself loaded; elsewhere (Wayland, no X) the
// calls here find nothing and do nothing.
#include "platform/sdl_platform.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

namespace {

// Xlib's function `name` from the loaded libX11, or null.
template <class Function>
Function xlib(const char* name) {
    static void* const library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

// The X display and window of an SDL window on X11; false elsewhere.
bool x11Handles(SDL_Window* window, Display*& display, ::Window& xwindow) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11)
        return false;
    display = info.info.x11.display;
    xwindow = info.info.x11.window;
    return display != nullptr;
}

// True when a window manager announces itself on the display's root window.
bool windowManagerRuns(Display* display) {
    using InternAtom = Atom (*)(Display*, const char*, Bool);
    using GetProperty = int (*)(Display*, ::Window, Atom, long, long, Bool, Atom, Atom*, int*,
                                unsigned long*, unsigned long*, unsigned char**);
    using Free = int (*)(void*);
    using RootOf = ::Window (*)(Display*);
    const auto intern = xlib<InternAtom>("XInternAtom");
    const auto get = xlib<GetProperty>("XGetWindowProperty");
    const auto release = xlib<Free>("XFree");
    const auto root = xlib<RootOf>("XDefaultRootWindow");
    if (!intern || !get || !release || !root) return true;
    const Atom check = intern(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = get(display, root(display), check, 0, 1, False, XA_WINDOW, &type,
                           &format, &items, &after, &data);
    if (data != nullptr) release(data);
    return status == Success && items > 0;
}

}  // namespace

bool x11WindowSize(SDL_Window* window, int& width, int& height) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    using GetAttributes = Status (*)(Display*, ::Window, XWindowAttributes*);
    const auto get = xlib<GetAttributes>("XGetWindowAttributes");
    XWindowAttributes attributes{};
    if (!get || !x11Handles(window, display, xwindow) || get(display, xwindow, &attributes) == 0)
        return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

bool placeX11WindowWithoutManager(SDL_Window* window, const SDL_Rect& area) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    using MoveResize = int (*)(Display*, ::Window, int, int, unsigned, unsigned);
    using Sync = int (*)(Display*, Bool);
    const auto moveResize = xlib<MoveResize>("XMoveResizeWindow");
    const auto sync = xlib<Sync>("XSync");
    if (!moveResize || !sync || !x11Handles(window, display, xwindow) ||
        windowManagerRuns(display))
        return false;
    moveResize(display, xwindow, area.x, area.y, static_cast<unsigned>(area.w),
               static_cast<unsigned>(area.h));
    sync(display, False);
    return true;
}
