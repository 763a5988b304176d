/*
 * What a result code of the device API means, in the words the fpkey tools
 * print, for hosts that want to show the same text. Header only: nothing
 * here is exported by libfpdevice.so, so a host needs no newer library.
 *
 *     char text[FP_RESULT_TEXT_SIZE];
 *     FpDescribeResult(rc, text, sizeof text);    // "0x80006A82 file not found"
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_RESULT_TEXT_H
#define FPDEVICE_RESULT_TEXT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "fpdevice/dactyl.h"
#include "fpdevice/status_words.h"
#include "fpdevice/transport.h"

/* Room for the longest meaning, and for the longest text FpDescribeResult
 * writes (a 64-bit code in hex, a blank and a meaning), terminators included. */
#define FP_RESULT_MEANING_SIZE 96u
#define FP_RESULT_TEXT_SIZE    128u

typedef struct FpResultTextEntry {
    uint64_t code;
    const char *text;
} FpResultTextEntry;

/*
 * Codes the library makes itself; the tables are static so that every
 * translation unit that includes this header has its own copy and nothing
 * is exported.
 */
static const FpResultTextEntry kFpResultCodeTexts[] = {
    {FP_OK, "success"},
    {FP_E_LOCK, "device lock not obtained (no device handle)"},
    {FP_E_UNKNOWN_STATUS, "unrecognised answer or transport failure"},
    {FP_E_BAD_ARGUMENT, "bad argument"},
    {FP_E_NO_MEMORY, "out of memory"},
    {FP_E_TEMPLATE_CREATE, "template file could not be created"},
    {FP_E_TEMPLATE_ERASE, "template file could not be erased"},
    {FP_E_INDEX_WRITE, "template index entry could not be written"},
    {FP_E_NO_CAPACITY, "template capacity or next file number not available"},
    {FP_E_DELETE_FAILED, "template could not be deleted"},
    {FP_E_INDEX_READ, "template index could not be read"},
    {FP_E_LINES_TOO_LONG, "image lines too long for one block (at most 240 bytes)"},
    {FP_E_VERIFY_MISMATCH, "finger does not match this template"},
    {FP_E_IDENTIFY_MISMATCH, "no template matched"},
    {TOKEN_ERR_NEXT_RECORD, "next-file record not readable or writable"},
    {HX_PKCS_AUTH_UNAVAILABLE, "PKCS library or its authentication entry not available"},
    {HX_PKCS_PIN_UNAVAILABLE, "PKCS library or its PIN entry not available"},
};

#define FP_RESULT_TEXT_STATUS_ENTRY(name, text) {name, text},
static const FpResultTextEntry kFpStatusWordTexts[] = {FP_STATUS_WORD_MEANINGS(FP_RESULT_TEXT_STATUS_ENTRY)};
#undef FP_RESULT_TEXT_STATUS_ENTRY

static inline const char *FpResultTextLookUp(const FpResultTextEntry *table, size_t count, uint64_t code) {
    size_t i;
    for (i = 0; i < count; ++i) {
        if (table[i].code == code) return table[i].text;
    }
    return NULL;
}

/*
 * The meaning of a bare status word (0x6A82 → "file not found"). The counter
 * family 0x63Cx carries the attempts left, so the text is written into the
 * caller's buffer rather than returned from a table. Returns text.
 */
static inline char *FpStatusWordText(uint16_t statusWord, char *text, size_t size) {
    const char *fixed;
    if (text == NULL || size == 0) return text;
    if ((statusWord & 0xFFF0u) == SW_VERIFY_FAILED_BASE) {
        snprintf(text, size, "verification failed, %u attempts left", (unsigned)(statusWord & 0x0Fu));
        return text;
    }
    fixed =
        FpResultTextLookUp(kFpStatusWordTexts, sizeof kFpStatusWordTexts / sizeof kFpStatusWordTexts[0], statusWord);
    snprintf(text, size, "%s", fixed ? fixed : "unknown status");
    return text;
}

/* The meaning of a result code ("file not found" for 0x80006A82). Returns text. */
static inline char *FpResultText(uint64_t code, char *text, size_t size) {
    const char *fixed;
    if (text == NULL || size == 0) return text;
    fixed = FpResultTextLookUp(kFpResultCodeTexts, sizeof kFpResultCodeTexts / sizeof kFpResultCodeTexts[0], code);
    if (fixed) {
        snprintf(text, size, "%s", fixed);
    } else if ((code & 0xFFFFFFFFFFFF0000ull) == FP_E_STATUS_BASE) {
        FpStatusWordText((uint16_t)(code & 0xFFFFu), text, size);
    } else {
        snprintf(text, size, "unknown result");
    }
    return text;
}

/* The code and its meaning, as the tools print a failure: "0x80006A82 file not found". */
static inline char *FpDescribeResult(uint64_t code, char *text, size_t size) {
    char meaning[FP_RESULT_MEANING_SIZE];
    if (text == NULL || size == 0) return text;
    snprintf(text, size, "0x%08llX %s", (unsigned long long)code, FpResultText(code, meaning, sizeof meaning));
    return text;
}

#endif
