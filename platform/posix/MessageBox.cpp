// The message box on POSIX: a GTK 3 dialog when there is a display, else a line on stderr.
//
// GTK is opened at run time rather than linked: a driver library should load on machines
// without GTK or a display, and should not bring a toolkit into every host that loads it
// (a host built on another toolkit, or on GTK 2, would not survive that). GTK stays loaded
// once opened; it cannot be unloaded safely.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "platform/System.h"
#include "platform/ThreadSafety.h"

namespace tarnix::platform {
namespace {

// The few GTK 3 calls needed, with GTK's C types reduced to what the ABI passes.
struct Gtk {
    using InitCheck = int (*)(int*, char***);
    using MessageDialogNew = void* (*)(void* parent, int flags, int type, int buttons,
                                       const char* format, ...);
    using WindowSetTitle = void (*)(void* window, const char* title);
    using DialogRun = int (*)(void* dialog);
    using WidgetDestroy = void (*)(void* widget);
    using EventsPending = int (*)();
    using MainIteration = int (*)();

    static constexpr int kDialogModal = 1;   // GTK_DIALOG_MODAL
    static constexpr int kMessageOther = 4;  // GTK_MESSAGE_OTHER: no icon, as with MB_OK alone
    static constexpr int kButtonsOk = 1;     // GTK_BUTTONS_OK

    InitCheck initCheck = nullptr;
    MessageDialogNew messageDialogNew = nullptr;
    WindowSetTitle windowSetTitle = nullptr;
    DialogRun dialogRun = nullptr;
    WidgetDestroy widgetDestroy = nullptr;
    EventsPending eventsPending = nullptr;
    MainIteration mainIteration = nullptr;
    bool ready = false;
};

template <typename Fn>
bool Resolve(void* library, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(dlsym(library, name));
    return fn != nullptr;
}

Gtk LoadGtk() {
    Gtk gtk;
    void* library = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return gtk;
    const bool resolved = Resolve(library, "gtk_init_check", gtk.initCheck) &&
                          Resolve(library, "gtk_message_dialog_new", gtk.messageDialogNew) &&
                          Resolve(library, "gtk_window_set_title", gtk.windowSetTitle) &&
                          Resolve(library, "gtk_dialog_run", gtk.dialogRun) &&
                          Resolve(library, "gtk_widget_destroy", gtk.widgetDestroy) &&
                          Resolve(library, "gtk_events_pending", gtk.eventsPending) &&
                          Resolve(library, "gtk_main_iteration", gtk.mainIteration);
    gtk.ready = resolved && gtk.initCheck(nullptr, nullptr) != 0;
    return gtk;
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

// GTK is not thread-safe: one box at a time, all through the same loaded toolkit, whose calls
// are only reached with this held.
Mutex g_BoxMutex;

}  // namespace

void ShowMessageBox(const char* text, const char* caption) {
    if (!text) text = "";
    // The title Windows gives a message box without a caption.
    if (!caption) caption = "Error";
    MutexLock guard(g_BoxMutex);
    static const Gtk gtk GUARDED_BY(g_BoxMutex) = HasDisplay() ? LoadGtk() : Gtk();
    if (!gtk.ready) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    void* dialog = gtk.messageDialogNew(nullptr, Gtk::kDialogModal, Gtk::kMessageOther,
                                        Gtk::kButtonsOk, "%s", text);
    gtk.windowSetTitle(dialog, caption);
    gtk.dialogRun(dialog);
    gtk.widgetDestroy(dialog);
    // Let the window actually disappear before the caller carries on.
    while (gtk.eventsPending()) gtk.mainIteration();
}

}  // namespace tarnix::platform
