#include "Platform/NewFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

NewFileResult WriteNewFile(const std::string& path, const void* bytes, size_t size, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        // O_EXCL refuses a link at the name, even a dangling one, with EEXIST; O_NOFOLLOW a link with ELOOP.
        if (errno == EEXIST || errno == ELOOP)
            return NewFileResult::Taken;
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return NewFileResult::Failed;
    }
    size_t done = 0;
    int writeError = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, static_cast<const char*>(bytes) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            writeError = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && writeError == 0)
        writeError = errno;
    if (writeError != 0) {
        ::unlink(path.c_str()); // ours: made above
        error = "cannot write '" + path + "': " + std::strerror(writeError);
        return NewFileResult::Failed;
    }
    return NewFileResult::Created;
}
