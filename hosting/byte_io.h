// Byte readers and writers for the file and state formats. The byte order is a fact of the
// format, fixed when the reader or writer is made: Vexlo VM's state chunk is little-endian,
// FXP and FXB files are big-endian.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::files {

enum class ByteOrder { little, big };

// A value read from bytes, or the reason it could not be.
template <typename T>
struct Decoded {
    std::optional<T> value;
    std::string refusal;

    static Decoded refuse(std::string why) { return Decoded{std::nullopt, std::move(why)}; }
    explicit operator bool() const { return value.has_value(); }
};

class ByteWriter {
public:
    explicit ByteWriter(ByteOrder order) : order_(order) {}

    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        out_.insert(out_.end(), p, p + size);
    }
    void text(const std::string& s) { bytes(s.data(), s.size()); }
    // The text in a field of `width` bytes, cut to width - 1 and filled with zeros.
    void field(const std::string& s, std::size_t width) {
        const std::size_t used = std::min(s.size(), width ? width - 1 : 0);
        bytes(s.data(), used);
        out_.insert(out_.end(), width - used, 0);
    }
    void byte(unsigned char value) { out_.push_back(value); }
    void uint32(std::uint32_t v) {
        unsigned char b[4];
        for (int i = 0; i < 4; ++i) {
            const int shift = order_ == ByteOrder::little ? 8 * i : 8 * (3 - i);
            b[i] = static_cast<unsigned char>(v >> shift);
        }
        bytes(b, 4);
    }
    void int32(std::int32_t v) { uint32(static_cast<std::uint32_t>(v)); }
    void float32(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        uint32(bits);
    }

    std::size_t size() const { return out_.size(); }
    std::vector<unsigned char>& data() { return out_; }
    std::vector<unsigned char> take() { return std::move(out_); }

private:
    ByteOrder order_;
    std::vector<unsigned char> out_;
};

// Reads fields from a span of bytes; a read that does not fit in what is left fails and
// consumes nothing.
class ByteReader {
public:
    ByteReader(const unsigned char* data, std::size_t size, ByteOrder order) : data_(data), size_(size), order_(order) {}

    std::size_t remaining() const { return size_ - pos_; }
    std::size_t position() const { return pos_; }
    const unsigned char* here() const { return data_ + pos_; }
    bool startsWith(const char* text) const {
        const std::size_t n = std::strlen(text);
        return remaining() >= n && std::memcmp(here(), text, n) == 0;
    }

    bool skip(std::size_t n) {
        if (n > remaining()) return false;
        pos_ += n;
        return true;
    }
    bool byte(unsigned char& value) {
        if (remaining() < 1) return false;
        value = data_[pos_++];
        return true;
    }
    bool uint32(std::uint32_t& value) {
        if (remaining() < 4) return false;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const int shift = order_ == ByteOrder::little ? 8 * i : 8 * (3 - i);
            v |= static_cast<std::uint32_t>(data_[pos_ + i]) << shift;
        }
        pos_ += 4;
        value = v;
        return true;
    }
    bool int32(std::int32_t& value) {
        std::uint32_t v;
        if (!uint32(v)) return false;
        value = static_cast<std::int32_t>(v);
        return true;
    }
    bool float32(float& value) {
        std::uint32_t bits;
        if (!uint32(bits)) return false;
        std::memcpy(&value, &bits, 4);
        return true;
    }
    // `length` bytes, copied; fails for a negative length or one past the end.
    bool block(std::int64_t length, std::vector<unsigned char>& out) {
        if (length < 0 || static_cast<std::uint64_t>(length) > remaining()) return false;
        out.assign(here(), here() + length);
        pos_ += static_cast<std::size_t>(length);
        return true;
    }
    // A text field of `width` bytes, read up to its first zero.
    bool field(std::size_t width, std::string& out) {
        if (width > remaining()) return false;
        const char* p = reinterpret_cast<const char*>(here());
        out.assign(p, strnlen(p, width));
        pos_ += width;
        return true;
    }
    void rest(std::vector<unsigned char>& out) {
        out.assign(here(), data_ + size_);
        pos_ = size_;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    ByteOrder order_;
};

}  // namespace vexlo::files
