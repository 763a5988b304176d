// The PC/SC service as this key manager sees it: a context with the daemon,
// the readers it knows with the cards in them, and the reader an address names.
#ifndef HXKMGR_PCSC_READERS_H
#define HXKMGR_PCSC_READERS_H

#include <string>
#include <vector>

#include <winscard.h>

#include "pcsc_backend.h"

namespace hxkmgr {

class PcscContext {
public:
    // Throws pcsc::Failure, for example when pcscd is not running.
    PcscContext();
    ~PcscContext();
    PcscContext(const PcscContext &) = delete;
    PcscContext &operator=(const PcscContext &) = delete;

    SCARDCONTEXT get() const { return context_; }

private:
    SCARDCONTEXT context_ = 0;
};

// Every reader the service knows; throws pcsc::Failure.
std::vector<pcsc::Reader> readerStatuses(const PcscContext &context);

// The reader `wanted` names among `readers`: the reader of that name, or the
// only one whose name starts with it; an empty name means the first reader
// holding a card. Throws pcsc::Failure saying what is missing.
const pcsc::Reader &chooseReader(const std::vector<pcsc::Reader> &readers, const std::string &wanted);

}  // namespace hxkmgr

#endif
