#include <cstring>
#include <limits>

#include "ioapi.h"

namespace {
void PutU16(std::vector<unsigned char>& out, size_t at, uint16_t v) {
    out[at] = static_cast<unsigned char>(v & 0xFF);
    out[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutU32(std::vector<unsigned char>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}
uint16_t GetU16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (static_cast<unsigned>(p[1]) << 8));
}
uint32_t GetU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

// --- MemorySave -----------------------------------------------------------------------------

void MemorySave::BeginChunk(USHORT id) {
    open.push_back(bytes.size());
    bytes.resize(bytes.size() + kChunkHeaderSize);
    PutU16(bytes, open.back(), static_cast<uint16_t>(id));
}

void MemorySave::EndChunk() {
    if (open.empty()) {
        failed = true;
        return;
    }
    const size_t header = open.back();
    open.pop_back();
    const size_t length = bytes.size() - header - kChunkHeaderSize;
    if (length > std::numeric_limits<uint32_t>::max()) {
        failed = true;
        return;
    }
    PutU32(bytes, header + 2, static_cast<uint32_t>(length));
}

IOResult MemorySave::Write(const void* buf, ULONG nbytes, ULONG* nwrit) {
    if (nwrit) *nwrit = 0;
    if (nbytes == 0) return IO_OK;
    if (!buf) return IO_ERROR;
    const auto* p = static_cast<const unsigned char*>(buf);
    bytes.insert(bytes.end(), p, p + nbytes);
    if (nwrit) *nwrit = nbytes;
    return IO_OK;
}

IOResult MemorySave::WriteWString(const wchar_t* str) {
    if (!str) str = L"";
    const size_t n = std::wcslen(str);
    if (n > std::numeric_limits<uint32_t>::max() / 4) return IO_ERROR;
    const size_t at = bytes.size();
    bytes.resize(at + 4 + 4 * n);
    PutU32(bytes, at, static_cast<uint32_t>(n));
    for (size_t i = 0; i < n; ++i) PutU32(bytes, at + 4 + 4 * i, static_cast<uint32_t>(str[i]));
    return IO_OK;
}

// --- MemoryLoad -----------------------------------------------------------------------------

MemoryLoad::MemoryLoad(const unsigned char* d, size_t n) : data(d), size(d ? n : 0) {}

IOResult MemoryLoad::OpenChunk() {
    const size_t limit = Limit();
    if (pos == limit) return IO_END;
    if (limit - pos < kChunkHeaderSize) return Fail();
    const USHORT id = GetU16(data + pos);
    const size_t length = GetU32(data + pos + 2);
    if (length > limit - pos - kChunkHeaderSize) return Fail();
    const size_t begin = pos + kChunkHeaderSize;
    open.push_back(Open{id, begin, begin + length});
    pos = begin;
    return IO_OK;
}

USHORT MemoryLoad::CurChunkID() {
    return open.empty() ? 0 : open.back().id;
}

ULONG MemoryLoad::CurChunkLength() {
    return open.empty() ? 0 : static_cast<ULONG>(open.back().end - open.back().begin);
}

IOResult MemoryLoad::CloseChunk() {
    if (open.empty()) return Fail();
    pos = open.back().end;
    open.pop_back();
    return IO_OK;
}

USHORT MemoryLoad::PeekNextChunkID() {
    if (Limit() - pos < kChunkHeaderSize) return 0;
    return GetU16(data + pos);
}

IOResult MemoryLoad::Read(void* buf, ULONG nbytes, ULONG* nread) {
    if (nread) *nread = 0;
    if (nbytes == 0) return IO_OK;
    if (!buf) return Fail();
    const size_t avail = Limit() - pos;
    const size_t n = nbytes < avail ? nbytes : avail;
    if (n) std::memcpy(buf, data + pos, n);
    pos += n;
    if (nread) *nread = static_cast<ULONG>(n);
    return n == nbytes ? IO_OK : Fail();
}

IOResult MemoryLoad::ReadWStringChunk(wchar_t*& buf) {
    buf = nullptr;
    const size_t avail = Limit() - pos;
    if (avail < 4) return Fail();
    const size_t n = GetU32(data + pos);
    if (n > (avail - 4) / 4) return Fail();
    str.assign(n, L'\0');
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = GetU32(data + pos + 4 + 4 * i);
        if (c > 0x10FFFF) return Fail();
        str[i] = static_cast<wchar_t>(c);
    }
    pos += 4 + 4 * n;
    buf = str.data();
    return IO_OK;
}
