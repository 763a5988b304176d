// PIN bytes on their way to the key. Every buffer that held a PIN is wiped
// when it is no longer needed.
#ifndef AUTHDLG_PIN_BUFFER_H
#define AUTHDLG_PIN_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace authdlg {

inline void WipeBytes(void *bytes, size_t size) { explicit_bzero(bytes, size); }

// The zeroed 17-byte buffer the PIN verification takes: the PIN's bytes
// followed by zeros, and their count.
class PinBuffer {
public:
    static constexpr size_t kSize = 17;

    // Copies the bytes of a zero-terminated PIN of at most 16 bytes.
    explicit PinBuffer(const char *pin) {
        const size_t length = strnlen(pin, kSize - 1);
        std::memcpy(bytes_, pin, length);
        length_ = static_cast<uint8_t>(length);
    }
    ~PinBuffer() { WipeBytes(bytes_, sizeof bytes_); }
    PinBuffer(const PinBuffer &) = delete;
    PinBuffer &operator=(const PinBuffer &) = delete;

    const uint8_t *bytes() const { return bytes_; }
    uint8_t length() const { return length_; }

private:
    uint8_t bytes_[kSize] = {};
    uint8_t length_ = 0;
};

}  // namespace authdlg

#endif
