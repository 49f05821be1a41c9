#include "Base/CDataFileReader.h"

#include "Base/DataPaths.h"

CDataFileReader::CDataFileReader() = default;

CDataFileReader::~CDataFileReader() { Close(); }

void CDataFileReader::Close() { stream.reset(); }

DataFileResult CDataFileReader::Open(const std::string& name) {
    Close();
    // A FIFO or device would wait for a writer or never end; only regular files are opened.
    const DataFileResult kind = StatDataFile(name);
    if (kind != DataFileResult::Ok)
        return kind;
    const DataFileResult opened = DataPaths().Open(name, stream);
    if (opened != DataFileResult::Ok)
        stream.reset();
    return opened;
}

int64_t CDataFileReader::Length() { return stream ? stream->Length() : -1; }

int64_t CDataFileReader::Read(void* buffer, int64_t count) {
    if (count <= 0 || !stream)
        return 0;
    const int64_t got = stream->Read(buffer, count);
    return got > 0 ? got : 0;
}

bool CDataFileReader::Seek(int64_t offset) { return offset >= 0 && stream && stream->Seek(offset); }

int64_t CDataFileReader::Tell() { return stream ? stream->Tell() : -1; }
