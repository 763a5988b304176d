// One short device call (HXDactylGetTimeOut: one APDU, one byte back) on the
// simulated key in process, and the same call on the same key served to a
// pcscd and reached through libpcsclite: the cost of the real smart-card
// stack per exchange. Run by bench/pcsc/run.sh, which starts a private
// pcscd; the in-process figure needs none.
#include <benchmark/benchmark.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "simkey/vpcd/card_server.h"

namespace {

std::filesystem::path KeyFile(const char *name) {
    return std::filesystem::temp_directory_path() / ("fpkey-bench-" + std::to_string(getpid()) + "-" + name);
}

// Opens the key, waiting for pcscd to notice a card it was just given.
bool Open(const std::string &address, DeviceContext *key) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (HXKeyOpen(address.c_str(), key) != 0) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void Measure(benchmark::State &state, DeviceContext *key) {
    uint8_t timeOut = 0;
    for (auto _ : state) {
        if (HXDactylGetTimeOut(key, &timeOut) != 0) {
            state.SkipWithError(HXKeyLastError());
            break;
        }
        benchmark::DoNotOptimize(timeOut);
    }
    state.counters["exchanges"] = benchmark::Counter(static_cast<double>(state.iterations()));
}

void DeviceCallInProcess(benchmark::State &state) {
    const auto file = KeyFile("in-process.json");
    DeviceContext key{};
    if (!Open("sim:" + file.string(), &key)) {
        state.SkipWithError(HXKeyLastError());
        return;
    }
    Measure(state, &key);
    HXKeyClose(&key);
    std::filesystem::remove(file);
    std::filesystem::remove(file.string() + ".lock");
}

// The key served from a thread of this process to the reader the
// environment names (FPKEY_VPCD_PORT, FPKEY_PCSC_READER: bench/pcsc/run.sh),
// once for the whole run: a card served again at once would find pcscd
// still busy with the last one's removal.
class ServedKey {
public:
    ServedKey() {
        const char *port = std::getenv("FPKEY_VPCD_PORT");
        const char *reader = std::getenv("FPKEY_PCSC_READER");
        if (!port || !reader) {
            problem_ = "no private pcscd: run bench/pcsc/run.sh";
            return;
        }
        card_ = std::make_unique<simkey::vpcd::ServedCard>("sim:" + file_.string(), std::chrono::seconds(5));
        server_ = std::thread([this, port = std::atoi(port)] {
            simkey::vpcd::CardServer(*card_, {static_cast<uint16_t>(port), false, {}}).run(stop_);
        });
        if (!Open(std::string("pcsc:") + reader, &key_)) problem_ = HXKeyLastError();
    }
    ~ServedKey() {
        HXKeyClose(&key_);
        if (server_.joinable()) {
            const uint64_t one = 1;
            if (write(stop_, &one, sizeof one) != sizeof one) std::abort();
            server_.join();
        }
        close(stop_);
        card_.reset();
        std::filesystem::remove(file_);
        std::filesystem::remove(file_.string() + ".lock");
    }
    DeviceContext *key() { return problem_.empty() ? &key_ : nullptr; }
    const std::string &problem() const { return problem_; }

private:
    std::filesystem::path file_ = KeyFile("served.json");
    int stop_ = eventfd(0, EFD_CLOEXEC);
    std::unique_ptr<simkey::vpcd::ServedCard> card_;
    std::thread server_;
    DeviceContext key_{};
    std::string problem_;
};

void DeviceCallOverPcscd(benchmark::State &state) {
    static ServedKey served;
    if (!served.key()) {
        state.SkipWithError(served.problem().c_str());
        return;
    }
    Measure(state, served.key());
}

BENCHMARK(DeviceCallInProcess)->Name("DeviceCall/in_process")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(DeviceCallOverPcscd)->Name("DeviceCall/pcscd")->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
