#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace readerlink::platform {

// A fixed-capacity FIFO of bytes: the serial device's input queue. Not locked.
class ByteRing {
public:
    explicit ByteRing(std::size_t capacity = 0) : data_(capacity) {}

    std::size_t capacity() const { return data_.size(); }
    std::size_t size() const { return size_; }
    std::size_t room() const { return data_.size() - size_; }

    // Appends as much as fits; returns how much did.
    std::size_t write(const std::uint8_t* bytes, std::size_t count);
    // Takes up to `count` bytes from the front; returns how many.
    std::size_t read(std::uint8_t* out, std::size_t count);
    void clear() { head_ = size_ = 0; }
    // Keeps the oldest bytes that fit the new capacity.
    void resize(std::size_t capacity);

private:
    std::vector<std::uint8_t> data_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

} // namespace readerlink::platform
