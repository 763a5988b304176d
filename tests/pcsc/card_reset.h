// What another PC/SC program can do to a card, done through libpcsclite
// directly (this file sees none of the device API's names, which clash with
// PC/SC's).
#ifndef FPKEY_TESTS_PCSC_CARD_RESET_H
#define FPKEY_TESTS_PCSC_CARD_RESET_H

#include <string>

namespace pcsc_test {

// Connects to the card in `reader` shared and leaves it with a reset.
// Empty on success, else what failed.
std::string ResetCardAsAnotherProgram(const std::string &reader);

}  // namespace pcsc_test

#endif
