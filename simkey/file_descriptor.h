// A file descriptor closed when its owner goes, on every path out.
#ifndef SIMKEY_FILE_DESCRIPTOR_H
#define SIMKEY_FILE_DESCRIPTOR_H

#include <utility>

#include <unistd.h>

namespace simkey {

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    int get() const { return descriptor_; }
    int release() { return std::exchange(descriptor_, -1); }

private:
    int descriptor_;
};

}  // namespace simkey

#endif
