#include "app/PixbufLoaders.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string WithoutSvgLoader(const std::string& cache) {
    // Entries are runs of lines separated by blank lines; the SVG loader's
    // entry names the SVG media types.
    std::string kept;
    std::size_t start = 0;
    while (start < cache.size()) {
        std::size_t end = cache.find("\n\n", start);
        end = end == std::string::npos ? cache.size() : end + 2;
        const std::string entry = cache.substr(start, end - start);
        if (entry.find("\"image/svg") == std::string::npos) kept += entry;
        start = end;
    }
    return kept;
}

void LeaveOutSvgLoader() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (std::getenv("GDK_PIXBUF_MODULE_FILE") != nullptr ||
        std::getenv("GDK_PIXBUF_MODULEDIR") != nullptr || runtime == nullptr || *runtime == '\0')
        return;
    std::ifstream in(BRANTLE_PIXBUF_LOADERS_CACHE);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    const std::string kept = WithoutSvgLoader(all);
    if (!in || kept.size() == all.size()) return;

    // Written under a name of its own and renamed, so that programs started
    // at the same time never read half a list.
    const std::string path = std::string(runtime) + "/org.brantle.ConfigHelper-loaders.cache";
    const std::string partial = path + "." + std::to_string(getpid());
    {
        std::ofstream out(partial, std::ios::trunc);
        out << kept;
        if (!out.flush()) {
            std::remove(partial.c_str());
            return;
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return;
    }
    setenv("GDK_PIXBUF_MODULE_FILE", path.c_str(), 1);
}
