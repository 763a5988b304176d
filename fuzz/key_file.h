// A key file of the fuzzer's own, in a private folder under /dev/shm when
// there is one (every command stores the key, so a disk would be slow). The
// folder goes when the fuzzer exits.
#ifndef FPKEY_FUZZ_KEY_FILE_H
#define FPKEY_FUZZ_KEY_FILE_H

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzzkey {

class ScratchKey {
public:
    ScratchKey() {
        std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm/fpkey-fuzz.XXXXXX" : "/tmp/fpkey-fuzz.XXXXXX";
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        folder_ = folder;
    }
    ~ScratchKey() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchKey(const ScratchKey &) = delete;
    ScratchKey &operator=(const ScratchKey &) = delete;

    std::string file() const { return (folder_ / "key.json").string(); }

private:
    std::filesystem::path folder_;
};

}  // namespace fuzzkey

#endif
