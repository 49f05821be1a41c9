#include "Base/ZipThroughFile.h"

#include "Platform/NativeFile.h"

#include <zip.h>

namespace {

struct Source {
    const CNativeFile& file;
    std::shared_ptr<const CNativeFile> keep;
    zip_uint64_t length = 0, position = 0;
    zip_error_t error;
};

zip_int64_t Command(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto& source = *static_cast<Source*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        source.position = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const int64_t got = source.file.ReadAt(int64_t(source.position), data, int64_t(length));
        if (got < 0) {
            zip_error_set(&source.error, ZIP_ER_READ, 0);
            return -1;
        }
        source.position += zip_uint64_t(got);
        return got;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = source.length;
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&source.error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&source.error);
        delete &source;
        return 0;
    case ZIP_SOURCE_SEEK: {
        const zip_int64_t at =
            zip_source_seek_compute_offset(source.position, source.length, data, length, &source.error);
        if (at < 0)
            return -1;
        source.position = zip_uint64_t(at);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return zip_int64_t(source.position);
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_SEEKABLE;
    default:
        zip_error_set(&source.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

std::string Words(zip_error_t& error) {
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

} // namespace

zip* OpenZipThroughFile(const CNativeFile& file, std::shared_ptr<const CNativeFile> keep, std::string& reason) {
    const int64_t length = file.Length();
    zip_error_t error;
    zip_error_init(&error);
    if (length < 0) {
        zip_error_set(&error, ZIP_ER_READ, 0);
        reason = Words(error);
        return nullptr;
    }
    auto* state = new Source{file, std::move(keep), zip_uint64_t(length), 0, {}};
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function_create(Command, state, &error);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
        reason = Words(error);
        return nullptr;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        zip_source_free(source); // frees the state too
        reason = Words(error);
        return nullptr;
    }
    return archive;
}
