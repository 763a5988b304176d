// A pcscd of the test process's own (scripts/pcsc-daemon.sh), with the vpcd
// reader driver on a free port. PC/SC clients find a daemon through
// PCSCLITE_CSOCK_NAME, which libpcsclite reads once per process: one daemon
// serves all tests of a process, and is stopped when the process ends.
#ifndef FPKEY_TESTS_PCSC_PRIVATE_PCSCD_H
#define FPKEY_TESTS_PCSC_PRIVATE_PCSCD_H

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace pcsc_test {

class PrivatePcscd {
public:
    // The process's daemon, started on first use; null, with *whyNot, where
    // no private pcscd can run (packages missing, no mount namespace).
    static PrivatePcscd *Get(std::string *whyNot);

    uint16_t port() const { return port_; }
    // The reader the key is served in, and the driver's second one, which stays empty.
    std::string reader() const { return "fpkey vpcd 00 00"; }
    std::string emptyReader() const { return "fpkey vpcd 00 01"; }

    // Stops the daemon, as when pcscd is stopped; Start brings it back on the same port.
    void Stop();
    bool Start(std::string *problem);

    ~PrivatePcscd();

private:
    explicit PrivatePcscd(std::filesystem::path directory) : directory_(std::move(directory)) {}

    std::filesystem::path directory_;
    uint16_t port_ = 0;
};

// Where a daemon is missing, CI (FPKEY_PCSC_REQUIRED=1) fails and anybody else skips.
bool DaemonRequired();

}  // namespace pcsc_test

// In a test or its SetUp: the daemon, or a skip (a failure where required) with the reason.
#define PCSC_DAEMON_OR_SKIP(daemon)                               \
    do {                                                          \
        std::string whyNot_;                                      \
        (daemon) = ::pcsc_test::PrivatePcscd::Get(&whyNot_);      \
        if (!(daemon)) {                                          \
            if (::pcsc_test::DaemonRequired()) FAIL() << whyNot_; \
            GTEST_SKIP() << "no private pcscd here: " << whyNot_; \
        }                                                         \
    } while (false)

#endif
