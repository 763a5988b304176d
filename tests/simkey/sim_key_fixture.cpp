#include "sim_key_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <openssl/evp.h>

namespace simkey_test {

std::vector<uint8_t> hexBytes(std::string_view hex) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : hex) {
        if (c != ' ') {
            digits += c;
        }
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

Reply transmit(const DeviceContext &context, const std::vector<uint8_t> &apdu) {
    std::vector<uint8_t> buffer(4096);
    uint64_t length = buffer.size();
    Reply reply;
    reply.status = static_cast<uint32_t>(
        Icc_tsi_apiHxDev(context.keyManagerHandle, apdu.size(), apdu.data(), &length, buffer.data()));
    if (reply.status == 0x9000) {
        buffer.resize(length);
        reply.data = std::move(buffer);
    } else {
        EXPECT_EQ(length, 0u) << "data delivered with status " << std::hex << reply.status;
    }
    return reply;
}

std::vector<uint8_t> aesBlock(const std::vector<uint8_t> &key, const std::vector<uint8_t> &block) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    std::vector<uint8_t> out(block.size() + 16);
    int written = 0;
    EVP_EncryptInit_ex(context.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    EVP_EncryptUpdate(context.get(), out.data(), &written, block.data(), static_cast<int>(block.size()));
    out.resize(static_cast<size_t>(written));
    return out;
}

std::vector<uint8_t> factoryAuthKey() { return hexBytes("000102030405060708090A0B0C0D0E0F"); }

TemporaryDirectory::TemporaryDirectory() {
    const char *base = std::getenv("XDG_STATE_HOME");
    std::filesystem::path parent = base && *base ? base : std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(parent);
    std::string pattern = (parent / "simkey-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnvironment::ScopedEnvironment(const char *name, const char *value) : name_(name) {
    const char *old = std::getenv(name);
    hadValue_ = old != nullptr;
    old_ = old ? old : "";
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (hadValue_) {
        ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

void SimKeyTest::SetUp() {
    keyFile_ = directory_.path() / "key.json";
    ASSERT_EQ(HXKeyOpen(address().c_str(), &context_), 0) << HXKeyLastError();
}

void SimKeyTest::TearDown() { HXKeyClose(&context_); }

std::string SimKeyTest::address(bool t0) const { return (t0 ? "sim-t0:" : "sim:") + keyFile_.string(); }

DeviceContext SimKeyTest::openAnother(bool t0) const {
    DeviceContext other{};
    EXPECT_EQ(HXKeyOpen(address(t0).c_str(), &other), 0) << HXKeyLastError();
    return other;
}

void SimKeyTest::authenticate(const DeviceContext &context) {
    const Reply challenge = transmit(context, hexBytes("00 84 00 00 10"));
    ASSERT_EQ(challenge.status, 0x9000u);
    ASSERT_EQ(challenge.data.size(), 16u);
    auto command = hexBytes("00 82 00 00 10");
    const auto cryptogram = aesBlock(factoryAuthKey(), challenge.data);
    command.insert(command.end(), cryptogram.begin(), cryptogram.end());
    ASSERT_EQ(transmit(context, command).status, 0x9000u);
}

void SimKeyTest::presentFinger(const std::string &label, int slots) {
    ASSERT_EQ(HXSimPlaceFinger(&context_, label.c_str()), 0) << HXKeyLastError();
    ASSERT_EQ(status("80 FA 00 00 02"), 0x9000u);
    for (int slot = 1; slot <= slots; ++slot) {
        std::vector<uint8_t> extract = hexBytes("80 FB 00 00 02");
        extract[3] = static_cast<uint8_t>(slot);
        ASSERT_EQ(send(extract).status, 0x9000u);
    }
}

void SimKeyTest::enrollTemplate(unsigned number, const std::string &label) {
    presentFinger(label);
    const auto fileId = static_cast<uint16_t>((number + 4) * 32);
    const auto high = static_cast<uint8_t>(fileId >> 8);
    const auto low = static_cast<uint8_t>(fileId & 0xFF);
    std::vector<uint8_t> create{0x80, 0xE0, high, low, 0x07, 0x28, 0x03, 0x88, 0xEF, 0xEF, 0xFF, 0xFF};
    ASSERT_EQ(send(create).status, 0x9000u);
    ASSERT_EQ(send(std::vector<uint8_t>{0x80, 0xFC, high, low, 0x02}).status, 0x9000u);
    ASSERT_EQ(status("00 A4 00 00 02 05 20"), 0x9000u);
    const auto offset = static_cast<uint16_t>((number - 1) * 20);
    std::vector<uint8_t> write{
        0x00, 0xD0, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset & 0xFF), 0x14, 0x01, 0x00,
        high, low};
    write.resize(5 + 20, 0);
    ASSERT_EQ(send(write).status, 0x9000u);
}

std::vector<uint8_t> SimKeyTest::readFile(uint16_t id, uint16_t offset, uint8_t length) {
    EXPECT_EQ(send(std::vector<uint8_t>{0x00, 0xA4, 0x00, 0x00, 0x02, static_cast<uint8_t>(id >> 8),
                                        static_cast<uint8_t>(id & 0xFF)})
                  .status,
              0x9000u);
    const Reply reply = send(std::vector<uint8_t>{0x00, 0xB0, static_cast<uint8_t>(offset >> 8),
                                                  static_cast<uint8_t>(offset & 0xFF), length});
    EXPECT_EQ(reply.status, 0x9000u);
    return reply.data;
}

}  // namespace simkey_test
