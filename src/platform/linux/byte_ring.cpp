#include "platform/linux/byte_ring.h"

#include <algorithm>
#include <cstring>

namespace readerlink::platform {

std::size_t ByteRing::write(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t n = std::min(count, room());
    const std::size_t cap = capacity();
    std::size_t tail = cap == 0 ? 0 : (head_ + size_) % cap;
    for (std::size_t done = 0; done < n;) {
        const std::size_t chunk = std::min(n - done, cap - tail);
        std::memcpy(data_.data() + tail, bytes + done, chunk);
        done += chunk;
        tail = (tail + chunk) % cap;
    }
    size_ += n;
    return n;
}

std::size_t ByteRing::read(std::uint8_t* out, std::size_t count) {
    const std::size_t n = std::min(count, size_);
    const std::size_t cap = capacity();
    for (std::size_t done = 0; done < n;) {
        const std::size_t chunk = std::min(n - done, cap - head_);
        std::memcpy(out + done, data_.data() + head_, chunk);
        done += chunk;
        head_ = (head_ + chunk) % cap;
    }
    size_ -= n;
    if (size_ == 0)
        head_ = 0;
    return n;
}

void ByteRing::resize(std::size_t capacity) {
    std::vector<std::uint8_t> kept(std::min(size_, capacity));
    read(kept.data(), kept.size());
    data_.assign(capacity, 0);
    head_ = size_ = 0;
    write(kept.data(), kept.size());
}

} // namespace readerlink::platform
