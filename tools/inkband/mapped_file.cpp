#include "inkband/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "inkband/file_read.h"

namespace inkband::tool {

namespace {

constexpr std::size_t kReleaseStep = std::size_t{16} << 20;

}  // namespace

bool mapFile(const std::string& path, MappedFile& file, std::string& error) {
    file = MappedFile{};
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    void* mapping = MAP_FAILED;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
        mapping =
            ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (mapping == MAP_FAILED) {
        if (!readFile(path, file.copy, error)) return false;
        file.data = file.copy.data();
        file.size = file.copy.size();
        return true;
    }
    ::madvise(mapping, static_cast<std::size_t>(info.st_size), MADV_SEQUENTIAL);
    file.mapping = mapping;
    file.data = static_cast<const uint8_t*>(mapping);
    file.size = static_cast<std::size_t>(info.st_size);
    return true;
}

void releaseBefore(MappedFile& file, std::size_t offset) {
    if (file.mapping == nullptr) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t end = std::min(offset, file.size) / page * page;
    if (end < file.released) file.released = 0;  // read again from further up
    if (end < file.released + kReleaseStep) return;
    ::madvise(static_cast<uint8_t*>(file.mapping) + file.released, end - file.released,
              MADV_DONTNEED);
    file.released = end;
}

void unmapFile(MappedFile& file) {
    if (file.mapping != nullptr) ::munmap(file.mapping, file.size);
    file = MappedFile{};
}

}  // namespace inkband::tool
