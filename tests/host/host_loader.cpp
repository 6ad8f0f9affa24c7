// A host as the driver's rendering component is one: it loads the library at
// run time, binds the ten entry points by name, prints a one-line page and a
// set of multi-page jobs, and writes what it would have sent to the printer.
//
//   host_loader LIBRARY OUTPUT_DIR
//
// Writes OUTPUT_DIR/single_line_page.bin, sample_jobs.bin (the bytes of every
// piece, in order) and sample_jobs.log (one line per call).  Exit status: 0
// when every call returned what it should and the single-line page came out
// byte for byte, 77 when the library lacks an entry point, 1 otherwise.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "host/host_jobs.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

#if defined(_WIN32)
void* openLibrary(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }
void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void closeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
std::string loadError() { return "error " + std::to_string(GetLastError()); }
#else
void* openLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* findSymbol(void* library, const char* name) { return dlsym(library, name); }
void closeLibrary(void* library) { dlclose(library); }
std::string loadError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}
#endif

bool writeFile(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// Index of the first byte where got and want differ, or -1.
long firstDifference(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want) {
    const std::size_t common = got.size() < want.size() ? got.size() : want.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (got[i] != want[i]) return static_cast<long>(i);
    }
    return got.size() == want.size() ? -1 : static_cast<long>(common);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: host_loader LIBRARY OUTPUT_DIR\n");
        return 2;
    }
    const std::string folder = std::string(argv[2]) + "/";
    void* library = openLibrary(argv[1]);
    if (library == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], loadError().c_str());
        return 1;
    }
    host::EntryPoints entry{};
    std::string missing;
    if (!host::bindEntryPoints(findSymbol, library, entry, missing)) {
        std::fprintf(stderr, "%s does not export: %s\n", argv[1], missing.c_str());
        closeLibrary(library);
        return 77;
    }

    int result = 0;
    host::Transcript page;
    host::runSingleLinePage(entry, page);
    const long at = firstDifference(page.bytes, host::singleLinePageBytes());
    if (!page.failure.empty()) {
        std::fprintf(stderr, "single-line page: %s\n", page.failure.c_str());
        result = 1;
    } else if (at >= 0) {
        std::fprintf(stderr, "single-line page: %lu bytes, expected %lu; first difference at %ld\n",
                     static_cast<unsigned long>(page.bytes.size()),
                     static_cast<unsigned long>(host::singleLinePageBytes().size()), at);
        result = 1;
    }

    host::Transcript jobs;
    host::runSampleJobs(entry, jobs);
    if (!jobs.failure.empty()) {
        std::fprintf(stderr, "sample jobs: %s\n", jobs.failure.c_str());
        result = 1;
    }
    closeLibrary(library);

    if (!writeFile(folder + "single_line_page.bin", page.bytes.data(), page.bytes.size()) ||
        !writeFile(folder + "sample_jobs.bin", jobs.bytes.data(), jobs.bytes.size()) ||
        !writeFile(folder + "sample_jobs.log", jobs.log.data(), jobs.log.size())) {
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
        return 1;
    }
    std::printf("single-line page: %lu bytes; sample jobs: %lu bytes in %ld log lines\n",
                static_cast<unsigned long>(page.bytes.size()),
                static_cast<unsigned long>(jobs.bytes.size()),
                static_cast<long>(std::count(jobs.log.begin(), jobs.log.end(), '\n')));
    return result;
}
