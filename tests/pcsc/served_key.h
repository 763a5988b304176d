// The simulated key served to the private pcscd: from a thread of the test
// process, or as `fpkey sim serve`, a process of its own that a test may kill.
#ifndef FPKEY_TESTS_PCSC_SERVED_KEY_H
#define FPKEY_TESTS_PCSC_SERVED_KEY_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <sys/types.h>

#include "fpdevice/transport.h"
#include "simkey/vpcd/card_server.h"

namespace pcsc_test {

// Serves the key at `address` (sim:PATH, sim-t0:PATH) from a thread, until destroyed.
class ServedKeyThread {
public:
    ServedKeyThread(const std::string &address, uint16_t port);
    ~ServedKeyThread();
    ServedKeyThread(const ServedKeyThread &) = delete;
    ServedKeyThread &operator=(const ServedKeyThread &) = delete;

    // The image the card's session last received (HXSimLastImage on it).
    int LastImage(uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels, size_t capacity);

private:
    simkey::vpcd::ServedCard card_;
    int stop_ = -1;
    std::thread thread_;
};

// `fpkey sim serve --trace` on a state file; ended with SIGTERM when destroyed.
class ServedKeyProcess {
public:
    ServedKeyProcess(const std::filesystem::path &state, uint16_t port);
    ~ServedKeyProcess();
    ServedKeyProcess(const ServedKeyProcess &) = delete;
    ServedKeyProcess &operator=(const ServedKeyProcess &) = delete;

    // The server is killed (SIGKILL) the moment it logs a command APDU that
    // starts with `apdu` (hex digits as the trace shows them, "80 FC").
    void KillAtCommand(const std::string &apdu);
    // Whether it was killed; waits up to `wait` for it to end.
    bool Killed(std::chrono::milliseconds wait);
    // SIGTERM; the exit status (-1 when it did not exit by itself).
    int Terminate();
    std::string Log();

private:
    void Watch(int output);

    pid_t child_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string log_;
    std::string killAt_;
    bool ended_ = false;
    int status_ = 0;
    std::thread watcher_;
};

// Opens the key at `address` exclusively as soon as pcscd has noticed the
// card (it polls its readers), giving up after `patience`.
int OpenWhenInserted(const std::string &address, DeviceContext *context,
                     std::chrono::milliseconds patience = std::chrono::seconds(10));

// Waits until pcscd has noticed that the card left `reader` (it polls its
// readers), so that the next card served there is a new insertion.
bool WaitUntilRemoved(const std::string &reader, std::chrono::milliseconds patience = std::chrono::seconds(10));

}  // namespace pcsc_test

#endif
