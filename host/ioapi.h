// Chunked binary streams for saving and loading scenes. A chunk is a 16-bit ID and a
// 32-bit payload length followed by the payload, which may hold nested chunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maxheap.h"
#include "maxtypes.h"

class ISave : public MaxHeapOperators {
public:
    virtual ~ISave() = default;
    virtual void BeginChunk(USHORT id) = 0;
    virtual void EndChunk() = 0;
    virtual IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) = 0;
    // A string as its length in characters (32 bits) and its characters as 32-bit codes.
    virtual IOResult WriteWString(const wchar_t* str) = 0;
};

class ILoad : public MaxHeapOperators {
public:
    virtual ~ILoad() = default;
    // IO_OK with the next chunk inside the current one opened, IO_END when the current
    // chunk (or the stream) has no more, IO_ERROR for a truncated or inconsistent header.
    virtual IOResult OpenChunk() = 0;
    virtual USHORT CurChunkID() = 0;
    virtual ULONG CurChunkLength() = 0;
    virtual int CurChunkDepth() = 0;
    // Skips whatever is left of the current chunk.
    virtual IOResult CloseChunk() = 0;
    virtual USHORT PeekNextChunkID() = 0;
    // Never reads past the end of the current chunk: a short read is IO_ERROR.
    virtual IOResult Read(void* buf, ULONG nbytes, ULONG* nread) = 0;
    // Reads what WriteWString wrote; buf stays valid until the next string read.
    virtual IOResult ReadWStringChunk(wchar_t*& buf) = 0;
};

class MemorySave : public ISave {
public:
    void BeginChunk(USHORT id) override;
    void EndChunk() override;
    IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) override;
    IOResult WriteWString(const wchar_t* str) override;

    // IO_ERROR once a chunk was ended without being begun or exceeded 4 GB.
    IOResult Status() const { return failed ? IO_ERROR : IO_OK; }
    bool ChunksOpen() const { return !open.empty(); }
    const std::vector<unsigned char>& Bytes() const { return bytes; }

private:
    std::vector<unsigned char> bytes;
    std::vector<size_t> open;  // offsets of the headers of open chunks
    bool failed = false;
};

// Reads a byte buffer that it does not own; the buffer must outlive the loader.
class MemoryLoad : public ILoad {
public:
    MemoryLoad(const unsigned char* data, size_t size);
    explicit MemoryLoad(const std::vector<unsigned char>& data)
        : MemoryLoad(data.data(), data.size()) {}

    IOResult OpenChunk() override;
    USHORT CurChunkID() override;
    ULONG CurChunkLength() override;
    int CurChunkDepth() override { return static_cast<int>(open.size()); }
    IOResult CloseChunk() override;
    USHORT PeekNextChunkID() override;
    IOResult Read(void* buf, ULONG nbytes, ULONG* nread) override;
    IOResult ReadWStringChunk(wchar_t*& buf) override;

    // True once any call answered IO_ERROR: a caller that stops at the first non-IO_OK
    // answer still learns that the stream was bad.
    bool HadError() const { return error; }

private:
    struct Open {
        USHORT id;
        size_t begin, end;  // payload
    };
    size_t Limit() const { return open.empty() ? size : open.back().end; }
    IOResult Fail() {
        error = true;
        return IO_ERROR;
    }

    const unsigned char* data;
    size_t size;
    size_t pos = 0;
    std::vector<Open> open;
    std::wstring str;
    bool error = false;
};

// Size of a chunk header in bytes.
constexpr size_t kChunkHeaderSize = 6;
