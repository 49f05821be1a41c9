// A file of the data paths (folder or archive) open for reading piece by piece, for files too large
// to read whole: the music, which is decoded as it plays. Only regular files are opened, as for files
// read whole; one in a data folder is opened as they are (no link followed, judged on the handle) and
// read through its own handle, one in the archive through the archive.
#pragma once

#include "Base/CByteSource.h"
#include "Base/DataFile.h"

#include <memory>
#include <string>

class CDataStream;

class CDataFileReader : public CByteSource {
public:
    CDataFileReader();
    ~CDataFileReader() override;
    CDataFileReader(const CDataFileReader&) = delete;
    CDataFileReader& operator=(const CDataFileReader&) = delete;

    // Ok, or why the name cannot be read (NotFound, Folder, NotRegular, Symlink, ReadError).
    DataFileResult Open(const std::string& name);

    int64_t Length() override;
    int64_t Read(void* buffer, int64_t count) override;
    bool Seek(int64_t offset) override;
    int64_t Tell() override;

    void Close();

private:
    std::unique_ptr<CDataStream> stream;
};
