#include "KeyboardLocks.h"

#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <dlfcn.h>
#endif

#if QT_CONFIG(xcb)
namespace {

// Xlib is loaded by Qt's X11 platform plugin anyway; it is looked up at run time so that the
// build needs no X11 headers.
using FXInternAtom = unsigned long (*)(Display*, const char*, int);
using FXkbGetNamedIndicator = int (*)(Display*, unsigned long, int*, int*, void*, int*);

struct CXkb {
    FXInternAtom pInternAtom = nullptr;
    FXkbGetNamedIndicator pGetNamedIndicator = nullptr;
    unsigned long atoms[3] = {};
    bool bReady = false;

    explicit CXkb(Display* pDisplay) {
        void* pLib = dlopen("libX11.so.6", RTLD_LAZY);
        if (!pLib) return;
        pInternAtom = reinterpret_cast<FXInternAtom>(dlsym(pLib, "XInternAtom"));
        pGetNamedIndicator =
            reinterpret_cast<FXkbGetNamedIndicator>(dlsym(pLib, "XkbGetNamedIndicator"));
        if (!pInternAtom || !pGetNamedIndicator) return;
        const char* names[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};
        for (int i = 0; i < 3; ++i) atoms[i] = pInternAtom(pDisplay, names[i], 0);
        bReady = true;
    }
};

}  // namespace
#endif

std::optional<unsigned> ReadKeyboardLocks() {
#if QT_CONFIG(xcb)
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* pDisplay = pX11 ? pX11->display() : nullptr;
    if (!pDisplay) return std::nullopt;
    static CXkb xkb(pDisplay);
    if (!xkb.bReady) return std::nullopt;
    unsigned nLocks = 0;
    const unsigned bits[3] = {LOCK_CAPS, LOCK_NUM, LOCK_SCROLL};
    for (int i = 0; i < 3; ++i) {
        int bOn = 0;
        if (xkb.atoms[i] && xkb.pGetNamedIndicator(pDisplay, xkb.atoms[i], nullptr, &bOn, nullptr,
                                                   nullptr) &&
            bOn)
            nLocks |= bits[i];
    }
    return nLocks;
#else
    return std::nullopt;
#endif
}
