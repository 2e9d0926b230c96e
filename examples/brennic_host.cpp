// SPDX-License-Identifier: MIT
// A host as a foreign program sees brennic: it loads the library by file name at run time,
// looks up the four plain names, and prints one call of each lane-wise operation.
#include <dlfcn.h>

#include <cstdio>

namespace {

using LaneFn = float* (*)(float*, const float*, const float*);

void showVec(const char* label, const float* v) {
    std::printf("  %-12s (%g, %g, %g, %g)\n", label, static_cast<double>(v[0]),
                static_cast<double>(v[1]), static_cast<double>(v[2]), static_cast<double>(v[3]));
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "libbrennic.so";
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
        return 1;
    }
    const char* const names[] = {"addSSEasm", "subSSEasm", "mulSSEasm", "divSSEasm"};
    const char* const symbols[] = {"+", "-", "x", "/"};
    LaneFn fns[4];
    for (int i = 0; i < 4; ++i) {
        fns[i] = reinterpret_cast<LaneFn>(dlsym(lib, names[i]));
        if (fns[i] == nullptr) {
            std::fprintf(stderr, "%s lacks %s\n", path, names[i]);
            return 1;
        }
    }

    std::printf("brennic, loaded from %s; every call is name(dst, rightVec, leftVec)\n"
                "and computes dst[i] = leftVec[i] op rightVec[i] under the default MXCSR\n",
                path);
    const float left[4] = {1, 1, 1, 0};
    const float right[4] = {2, 0, -0.0f, 4};
    for (int i = 0; i < 4; ++i) {
        float dst[4] = {};
        std::printf("\n%s:\n", names[i]);
        showVec("leftVec", left);
        showVec("rightVec", right);
        char label[16];
        std::snprintf(label, sizeof label, "left %s right", symbols[i]);
        showVec(label, fns[i](dst, right, left));
    }

    dlclose(lib);
    return 0;
}
