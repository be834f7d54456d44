#include "HeightMapModule.h"

#include <dlfcn.h>
#include <unistd.h>

namespace {

using Reader = bool (*)(const std::string&, HeightMap&, std::string&);

struct Module
{
    Reader read = nullptr;
    std::string problem;
};

const char* const kModuleName = "libfacetra-heightmap.so";

// The folder of this program's file.
std::string programFolder()
{
    std::string name(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", name.data(), name.size());
    if (n <= 0 || std::size_t(n) >= name.size())
        return ".";
    name.resize(std::size_t(n));
    return name.substr(0, name.rfind('/'));
}

Module open()
{
    // Beside the program in the build tree; where it is installed otherwise.
    const std::string folder = programFolder();
    const std::string names[] = { folder + '/' + kModuleName,
        folder + '/' + FACETRA_MODULE_FROM_PROGRAM + '/' + kModuleName };
    Module module;
    for (const std::string& name : names) {
        void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            module.problem = ::dlerror(); // the installed place's, tried last
            continue;
        }
        module.read = reinterpret_cast<Reader>(::dlsym(handle, "facetraReadHeightMapFile"));
        if (module.read)
            return module;
        module.problem = name + " has no height-map reader";
    }
    return module;
}

} // namespace

bool readHeightMapThroughModule(const std::string& path, HeightMap& map, std::string& problem)
{
    static const Module module = open();
    if (!module.read) {
        problem = "the height-map module could not be opened (" + module.problem + ")";
        return false;
    }
    return module.read(path, map, problem);
}
