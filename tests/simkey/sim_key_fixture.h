// A simulated key in a private temporary directory, driven through the key
// manager's C interface as the host drives it.
#ifndef TESTS_SIMKEY_SIM_KEY_FIXTURE_H
#define TESTS_SIMKEY_SIM_KEY_FIXTURE_H

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Before gtest.h: the transport header declares a function named TEST,
// which gtest's TEST macro would otherwise swallow.
#include "hxkmgr.h"

#include <gtest/gtest.h>

namespace simkey_test {

std::vector<uint8_t> hexBytes(std::string_view hex);

// Cases of parameterised tests print as their name.
template <class Case>
requires requires(const Case &c) { c.name; }
std::ostream &operator<<(std::ostream &out, const Case &c) { return out << c.name; }

// Names parameterised tests after the `name` field of their case.
struct CaseName {
    template <class Info>
    std::string operator()(const Info &testInfo) const {
        return testInfo.param.name;
    }
};

struct Reply {
    uint32_t status = 0;
    std::vector<uint8_t> data;
};

// Sends one APDU through Icc_tsi_apiHxDev.
Reply transmit(const DeviceContext &context, const std::vector<uint8_t> &apdu);
// AES-128-ECB of one block, computed here independently of the key.
std::vector<uint8_t> aesBlock(const std::vector<uint8_t> &key, const std::vector<uint8_t> &block);
std::vector<uint8_t> factoryAuthKey();

class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory &) = delete;
    TemporaryDirectory &operator=(const TemporaryDirectory &) = delete;
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const char *value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadValue_;
};

class SimKeyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string address(bool t0 = false) const;
    // Opens another connection to the same key file.
    DeviceContext openAnother(bool t0 = false) const;

    Reply send(std::string_view hex) { return transmit(context_, hexBytes(hex)); }
    Reply send(const std::vector<uint8_t> &apdu) { return transmit(context_, apdu); }
    uint32_t status(std::string_view hex) { return send(hex).status; }

    // External authentication with the factory key on the given connection.
    void authenticate(const DeviceContext &context);
    void authenticate() { authenticate(context_); }
    // Finger on the sensor, captured and extracted into the three slots.
    void presentFinger(const std::string &label, int slots = 3);
    // Enrols like the host on a fresh key: template file (n + 4) * 32 (file
    // numbers start at 5), ENROLL, index entry n.
    void enrollTemplate(unsigned number, const std::string &label);
    std::vector<uint8_t> readFile(uint16_t id, uint16_t offset, uint8_t length);

    TemporaryDirectory directory_;
    std::filesystem::path keyFile_;
    DeviceContext context_{};
};

}  // namespace simkey_test

#endif
