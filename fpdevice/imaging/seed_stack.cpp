// The bounded seed stack (ZooList) offered to hosts for their own fills.
#include "fpdevice/imaging_regions.h"

#include <cstdlib>

extern "C" {

FPDEVICE_API void zooInitList(ZooList *list, int32_t capacity) {
    if (list == nullptr) {
        return;
    }
    list->count = 0;
    list->capacity = 0;
    list->entries = nullptr;
    if (capacity <= 0) {
        return;
    }
    // Without storage the list keeps capacity 0, so a push reports "full"
    // instead of writing through a null pointer.
    auto *entries = static_cast<uint32_t *>(calloc(static_cast<size_t>(capacity), sizeof(uint32_t)));
    if (entries != nullptr) {
        list->entries = entries;
        list->capacity = capacity;
    }
}

FPDEVICE_API void zooClearup(ZooList *list) {
    if (list == nullptr) {
        return;
    }
    free(list->entries);
    list->entries = nullptr;
    list->count = 0;
    list->capacity = 0;
}

FPDEVICE_API int32_t zooPush(ZooList *list, uint32_t value) {
    if (list == nullptr || list->entries == nullptr || list->count < 0 || list->count >= list->capacity) {
        return 0;
    }
    list->entries[list->count] = value;
    list->count += 1;
    return 1;
}

FPDEVICE_API int32_t zooPop(ZooList *list, uint32_t *value) {
    if (list == nullptr || value == nullptr || list->entries == nullptr || list->count <= 0) {
        return 0;
    }
    list->count -= 1;
    *value = list->entries[list->count];
    return 1;
}

FPDEVICE_API int32_t zooIsListEmpty(const ZooList *list) { return list == nullptr || list->count <= 0 ? 1 : 0; }

}  // extern "C"
