// Bounds-checked little- and big-endian reading and writing over byte buffers.
//
// Every file format of the program is read and written through these helpers, never by copying
// structs. Readers return false instead of reading past the end of the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korel {

using Bytes = std::vector<uint8_t>;

inline uint16_t getLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t getLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t getBe16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline void putLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putLe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void putBe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

// A cursor over a read-only byte span. Every read checks the remaining length first; a failed
// read leaves the position unchanged and returns false.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

    size_t position() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    bool seek(size_t pos) {
        if (pos > data_.size()) return false;
        pos_ = pos;
        return true;
    }
    bool skip(size_t n) {
        if (n > remaining()) return false;
        pos_ += n;
        return true;
    }
    bool u8(uint8_t& v) {
        if (remaining() < 1) return false;
        v = data_[pos_++];
        return true;
    }
    bool s8(int8_t& v) {
        uint8_t u;
        if (!u8(u)) return false;
        v = int8_t(u);
        return true;
    }
    bool le16(uint16_t& v) {
        if (remaining() < 2) return false;
        v = getLe16(&data_[pos_]);
        pos_ += 2;
        return true;
    }
    bool sle16(int16_t& v) {
        uint16_t u;
        if (!le16(u)) return false;
        v = int16_t(u);
        return true;
    }
    bool le32(uint32_t& v) {
        if (remaining() < 4) return false;
        v = getLe32(&data_[pos_]);
        pos_ += 4;
        return true;
    }
    bool sle32(int32_t& v) {
        uint32_t u;
        if (!le32(u)) return false;
        v = int32_t(u);
        return true;
    }
    bool be16(uint16_t& v) {
        if (remaining() < 2) return false;
        v = getBe16(&data_[pos_]);
        pos_ += 2;
        return true;
    }
    bool bytes(uint8_t* out, size_t n) {
        if (n > remaining()) return false;
        if (n) std::memcpy(out, &data_[pos_], n);
        pos_ += n;
        return true;
    }
    std::span<const uint8_t> take(size_t n, bool& ok) {
        ok = n <= remaining();
        if (!ok) return {};
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

// An appending writer; the buffer grows as needed. Fixed-offset fields can be patched with
// the put* helpers on data().
class ByteWriter {
public:
    void u8(uint8_t v) { buf_.push_back(v); }
    void le16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void le32(uint32_t v) {
        le16(uint16_t(v));
        le16(uint16_t(v >> 16));
    }
    void be16(uint16_t v) {
        u8(uint8_t(v >> 8));
        u8(uint8_t(v));
    }
    void bytes(std::span<const uint8_t> b) { buf_.insert(buf_.end(), b.begin(), b.end()); }
    // One byte at a time: GCC 12 warns falsely (array-bounds) on a vector's bulk insert here.
    void fill(uint8_t v, size_t n) {
        for (; n > 0; --n) buf_.push_back(v);
    }
    size_t size() const { return buf_.size(); }
    Bytes& data() { return buf_; }
    const Bytes& data() const { return buf_; }

private:
    Bytes buf_;
};

// Names live in 16-byte NUL-terminated, NUL-padded fields: at most 15 characters.
constexpr size_t kNameField = 16;

// Reads a name field (up to the first NUL, at most `width` bytes).
inline std::string readNameField(const uint8_t* p, size_t width = kNameField) {
    size_t n = 0;
    while (n < width && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

// Writes a name into a field: truncated to width - 1 characters, NUL-padded.
inline void writeNameField(uint8_t* p, std::string_view name, size_t width = kNameField) {
    std::memset(p, 0, width);
    size_t n = std::min(name.size(), width - 1);
    if (n) std::memcpy(p, name.data(), n);
}

}  // namespace korel
