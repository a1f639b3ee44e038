// The launcher. Loading Qt's libraries and reading the font configuration are the two longest
// steps of start-up, and neither needs the other. The launcher links neither Qt nor the program:
// it starts reading the fonts on a second thread, then loads the program (vesk-main.so, and Qt with
// it) on this one, and the program waits for the fonts only when its first screen measures text.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include <fontconfig/fontconfig.h>

namespace {
std::thread fonts;

void waitForFonts()
{
    if (fonts.joinable())
        fonts.join();
}

// The folder this program file is in.
std::string programFolder()
{
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || size_t(length) >= path.size())
        return ".";
    path.resize(size_t(length));
    return path.substr(0, path.find_last_of('/'));
}
} // namespace

int main(int argc, char *argv[])
{
    fonts = std::thread([] { FcInit(); });
    // Beside the program in the build tree; in lib/vesk/program once installed.
    const std::string folder = programFolder();
    std::string error;
    void *program = nullptr;
    for (const std::string &path : {folder + "/vesk-main.so", folder + "/../lib/vesk/program/vesk-main.so"}) {
        if (access(path.c_str(), F_OK) != 0)
            continue;
        if (!(program = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)))
            error = dlerror();
        break;
    }
    using Entry = int (*)(int, char **, void (*)());
    const auto entry = program ? reinterpret_cast<Entry>(dlsym(program, "vesk_main")) : nullptr;
    if (!entry) {
        waitForFonts();
        std::fprintf(stderr,
            "vesk: the program library vesk-main.so could not be loaded from %s or %s/../lib/vesk/program%s%s\n",
            folder.c_str(), folder.c_str(), error.empty() ? "" : ": ", error.c_str());
        return 127;
    }
    const int status = entry(argc, argv, waitForFonts);
    waitForFonts();
    return status;
}
