#include "Platform/NewFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

bool ReplaceFileContents(const std::string& path, const std::string& bytes, std::string& error) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        error = "cannot replace '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "cannot replace '" + path + "': it is not a regular file";
        return false;
    }
    const mode_t mode = info.st_mode & 07777;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && (errno == EEXIST || errno == ELOOP))
            continue;
        if (fd < 0) {
            error = "cannot replace '" + path + "': " + std::strerror(errno);
            return false;
        }
        // The mask of the process would have narrowed the mode given to open.
        int failure = fchmod(fd, mode) != 0 ? errno : 0;
        for (size_t done = 0; failure == 0 && done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                failure = n < 0 ? errno : ENOSPC;
            else
                done += static_cast<size_t>(n);
        }
        if (failure == 0 && fsync(fd) != 0)
            failure = errno;
        if (::close(fd) != 0 && failure == 0)
            failure = errno;
        if (failure == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
            failure = errno;
        if (failure != 0) {
            ::unlink(temporary.c_str()); // ours: made above
            error = "cannot replace '" + path + "': " + std::strerror(failure);
            return false;
        }
        return true;
    }
    error = "cannot replace '" + path + "': no free name for a temporary file beside it";
    return false;
}
