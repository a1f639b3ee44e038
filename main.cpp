// The launcher. Loading Qt's libraries and reading the font configuration are the two longest
// steps of start-up, and neither needs the other. The launcher links neither Qt nor the program:
// it starts reading the fonts on a second thread, then loads the program (vesk-main.so, and Qt with
// it) on this one, and the program waits for the fonts only when its first screen measures text.
// It links the C library alone, and loads the font library itself, so that the symbols of Qt's
// libraries are looked up in as few libraries as possible while they load.
#include <dlfcn.h>
#include <initializer_list>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {
pthread_t fonts;
bool fontsStarted = false;

void *readFontConfiguration(void *)
{
    if (void *library = dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_LOCAL)) {
        if (const auto init = reinterpret_cast<int (*)()>(dlsym(library, "FcInit")))
            init();
    }
    return nullptr;
}

void waitForFonts()
{
    if (fontsStarted)
        pthread_join(fonts, nullptr);
    fontsStarted = false;
}
} // namespace

int main(int argc, char *argv[])
{
    fontsStarted = pthread_create(&fonts, nullptr, readFontConfiguration, nullptr) == 0;
    // Beside the program in the build tree; in lib/vesk/program once installed.
    char folder[PATH_MAX] = ".";
    const ssize_t length = readlink("/proc/self/exe", folder, sizeof folder - 1);
    if (length > 0) {
        folder[length] = '\0';
        if (char *slash = strrchr(folder, '/'))
            *slash = '\0';
    }
    const char *error = nullptr;
    void *program = nullptr;
    for (const char *place : {"/vesk-main.so", "/../lib/vesk/program/vesk-main.so"}) {
        char path[PATH_MAX + 64];
        snprintf(path, sizeof path, "%s%s", folder, place);
        if (access(path, F_OK) != 0)
            continue;
        if (!(program = dlopen(path, RTLD_LAZY | RTLD_LOCAL)))
            error = dlerror();
        break;
    }
    using Entry = int (*)(int, char **, void (*)());
    const auto entry = program ? reinterpret_cast<Entry>(dlsym(program, "vesk_main")) : nullptr;
    if (!entry) {
        waitForFonts();
        fprintf(stderr,
            "vesk: the program library vesk-main.so could not be loaded from %s or %s/../lib/vesk/program%s%s\n",
            folder, folder, error ? ": " : "", error ? error : "");
        return 127;
    }
    const int status = entry(argc, argv, waitForFonts);
    waitForFonts();
    return status;
}
