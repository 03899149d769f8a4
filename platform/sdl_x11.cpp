// The window as the X server has it. On a bare X server (no window manager) nobody carries
// out SDL's fullscreen switch: the window keeps its old size while SDL reports the screen's.
// And the picture in memory shared with the X server (X11Picture). Xlib's functions and its
// shared memory extension's come from the libraries SDL itself loaded; elsewhere (Wayland,
// no X) the calls here find nothing and do nothing.
#include "platform/sdl_platform.h"

#include <SDL_syswm.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Function `name` from `library` (a handle, or null), or null.
template <class Function>
Function symbol(void* library, const char* name) {
    return library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

// Xlib's function `name` from the loaded libX11, or null.
template <class Function>
Function xlib(const char* name) {
    static void* const library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return symbol<Function>(library, name);
}

// The shared memory extension's function `name` from the loaded libXext, or null.
template <class Function>
Function xext(const char* name) {
    static void* const library = dlopen("libXext.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return symbol<Function>(library, name);
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

namespace {

// Set by noteRefusal while a request runs under refusalsNoted.
bool refused = false;

// Notes an X error instead of letting Xlib end the program.
int noteRefusal(Display*, XErrorEvent*) {
    refused = true;
    return 0;
}

// Runs `requests` and waits for the server's answer with X errors noted instead of fatal;
// false if the server refused any of them.
template <class Requests>
bool refusalsNoted(Display* display, Requests requests) {
    using SetHandler = XErrorHandler (*)(XErrorHandler);
    using Sync = int (*)(Display*, Bool);
    const auto setHandler = xlib<SetHandler>("XSetErrorHandler");
    const auto sync = xlib<Sync>("XSync");
    if (!setHandler || !sync) return false;
    refused = false;
    const XErrorHandler before = setHandler(noteRefusal);
    const bool asked = requests();
    sync(display, False);
    setHandler(before);
    return asked && !refused;
}

}  // namespace

bool readX11Window(SDL_Window* window, std::vector<uint32_t>& pixels) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    using GetAttributes = Status (*)(Display*, ::Window, XWindowAttributes*);
    using GetImage = XImage* (*)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int);
    const auto attributesOf = xlib<GetAttributes>("XGetWindowAttributes");
    const auto getImage = xlib<GetImage>("XGetImage");
    XWindowAttributes attributes{};
    if (!attributesOf || !getImage || !x11Handles(window, display, xwindow) ||
        attributesOf(display, xwindow, &attributes) == 0 || attributes.width <= 0 ||
        attributes.height <= 0)
        return false;
    XImage* image = nullptr;
    // A window partly off the screen has no pixels to give there: refused, not fatal.
    refusalsNoted(display, [&] {
        image = getImage(display, xwindow, 0, 0, static_cast<unsigned>(attributes.width),
                         static_cast<unsigned>(attributes.height), ~0ul, ZPixmap);
        return image != nullptr;
    });
    if (image == nullptr) return false;
    const bool words = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    if (words) {
        pixels.resize(static_cast<size_t>(image->width) * static_cast<size_t>(image->height));
        for (int y = 0; y < image->height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                image->data + static_cast<ptrdiff_t>(y) * image->bytes_per_line);
            for (int x = 0; x < image->width; ++x)
                pixels[static_cast<size_t>(y) * static_cast<size_t>(image->width) +
                       static_cast<size_t>(x)] = row[x] | 0xFF000000u;
        }
    }
    image->f.destroy_image(image);
    return words;
}

namespace {

// The Xlib and shared memory calls the picture makes; all set, or the picture is not made.
struct ShmCalls {
    Bool (*queryExtension)(Display*) = nullptr;
    XImage* (*createImage)(Display*, Visual*, unsigned, int, char*, XShmSegmentInfo*, unsigned,
                           unsigned) = nullptr;
    Bool (*attach)(Display*, XShmSegmentInfo*) = nullptr;
    Bool (*detach)(Display*, XShmSegmentInfo*) = nullptr;
    Bool (*putImage)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned,
                     Bool) = nullptr;
    int (*sync)(Display*, Bool) = nullptr;
    int (*flush)(Display*) = nullptr;
    Status (*getAttributes)(Display*, ::Window, XWindowAttributes*) = nullptr;
    GC (*createGc)(Display*, Drawable, unsigned long, XGCValues*) = nullptr;
    int (*freeGc)(Display*, GC) = nullptr;
    int (*setForeground)(Display*, GC, unsigned long) = nullptr;
    int (*fillRectangles)(Display*, Drawable, GC, XRectangle*, int) = nullptr;

    // Finds every call; false if one is missing.
    bool load() {
        queryExtension = xext<decltype(queryExtension)>("XShmQueryExtension");
        createImage = xext<decltype(createImage)>("XShmCreateImage");
        attach = xext<decltype(attach)>("XShmAttach");
        detach = xext<decltype(detach)>("XShmDetach");
        putImage = xext<decltype(putImage)>("XShmPutImage");
        sync = xlib<decltype(sync)>("XSync");
        flush = xlib<decltype(flush)>("XFlush");
        getAttributes = xlib<decltype(getAttributes)>("XGetWindowAttributes");
        createGc = xlib<decltype(createGc)>("XCreateGC");
        freeGc = xlib<decltype(freeGc)>("XFreeGC");
        setForeground = xlib<decltype(setForeground)>("XSetForeground");
        fillRectangles = xlib<decltype(fillRectangles)>("XFillRectangles");
        return queryExtension && createImage && attach && detach && putImage && sync && flush &&
               getAttributes && createGc && freeGc && setForeground && fillRectangles;
    }
};

class SharedPicture final : public X11Picture {
public:
    SharedPicture(const ShmCalls& calls, Display* display, ::Window window)
        : x_(calls), display_(display), window_(window) {}
    ~SharedPicture() override;
    SharedPicture(const SharedPicture&) = delete;
    SharedPicture& operator=(const SharedPicture&) = delete;

    // Makes the image and its segment and has the server attach it; false on any refusal.
    bool make(Visual* visual, unsigned depth, int width, int height);

    uint32_t* pixels() override { return reinterpret_cast<uint32_t*>(image_->data); }
    size_t stride() const override { return static_cast<size_t>(image_->bytes_per_line) / 4; }
    int width() const override { return image_->width; }
    int height() const override { return image_->height; }
    void show(int x, int y, std::span<const SDL_Rect> bars) override;
    void settle() override;

private:
    ShmCalls x_;
    Display* display_;
    ::Window window_;
    XShmSegmentInfo segment_{};
    XImage* image_ = nullptr;
    GC gc_ = nullptr;
    bool attached_ = false;
    bool sent_ = false;  // a picture went out that the server may still be copying
};

bool SharedPicture::make(Visual* visual, unsigned depth, int width, int height) {
    segment_.shmid = -1;
    image_ = x_.createImage(display_, visual, depth, ZPixmap, nullptr, &segment_,
                            static_cast<unsigned>(width), static_cast<unsigned>(height));
    // The picture's words as they are: 32 bits a pixel, lowest byte blue.
    if (image_ == nullptr || image_->bits_per_pixel != 32 || image_->byte_order != LSBFirst ||
        image_->bytes_per_line % 4 != 0)
        return false;
    const size_t bytes = static_cast<size_t>(image_->bytes_per_line) * static_cast<size_t>(height);
    segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment_.shmid < 0) return false;
    void* memory = shmat(segment_.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        return false;
    }
    segment_.shmaddr = image_->data = static_cast<char*>(memory);
    segment_.readOnly = False;
    // A remote server cannot reach the segment: it refuses.
    attached_ = refusalsNoted(display_, [&] { return x_.attach(display_, &segment_) != 0; });
    // Gone once both sides have let go of it, even if the game is killed.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (!attached_) return false;
    gc_ = x_.createGc(display_, window_, 0, nullptr);
    return gc_ != nullptr;
}

SharedPicture::~SharedPicture() {
    if (attached_) {
        x_.detach(display_, &segment_);
        x_.sync(display_, False);
    }
    if (gc_ != nullptr) x_.freeGc(display_, gc_);
    if (segment_.shmaddr != nullptr) shmdt(segment_.shmaddr);
    if (image_ != nullptr) {
        image_->data = nullptr;  // the segment's, detached above
        image_->f.destroy_image(image_);
    }
}

void SharedPicture::show(int x, int y, std::span<const SDL_Rect> bars) {
    if (!bars.empty()) {
        std::array<XRectangle, 4> rects{};
        const size_t count = std::min(bars.size(), rects.size());
        for (size_t k = 0; k < count; ++k)
            rects[k] = {static_cast<short>(bars[k].x), static_cast<short>(bars[k].y),
                        static_cast<unsigned short>(bars[k].w), static_cast<unsigned short>(bars[k].h)};
        x_.setForeground(display_, gc_, 0);
        x_.fillRectangles(display_, window_, gc_, rects.data(), static_cast<int>(count));
    }
    x_.putImage(display_, window_, gc_, image_, 0, 0, x, y, static_cast<unsigned>(image_->width),
                static_cast<unsigned>(image_->height), False);
    x_.flush(display_);
    sent_ = true;
}

void SharedPicture::settle() {
    if (!sent_) return;
    x_.sync(display_, False);
    sent_ = false;
}

}  // namespace

std::unique_ptr<X11Picture> X11Picture::open(SDL_Window* window, int width, int height) {
    Display* display = nullptr;
    ::Window xwindow = 0;
    ShmCalls calls;
    if (width <= 0 || height <= 0 || !calls.load() || !x11Handles(window, display, xwindow) ||
        !calls.queryExtension(display))
        return nullptr;
    XWindowAttributes attributes{};
    if (calls.getAttributes(display, xwindow, &attributes) == 0 || attributes.visual == nullptr)
        return nullptr;
    const Visual* visual = attributes.visual;
    if ((attributes.depth != 24 && attributes.depth != 32) || visual->red_mask != 0xFF0000u ||
        visual->green_mask != 0xFF00u || visual->blue_mask != 0xFFu)
        return nullptr;
    auto picture = std::make_unique<SharedPicture>(calls, display, xwindow);
    if (!picture->make(attributes.visual, static_cast<unsigned>(attributes.depth), width, height))
        return nullptr;
    return picture;
}
