#include "worker_texts.h"

#include <QtCore/QtGlobal>

namespace authdlg {
namespace {

constexpr WorkerOutcome kCapture[] = {
    {0, QT_TRANSLATE_NOOP("QObject", "Image Acquisition success,\nPlease wait......"), WorkerStep::Extract},
    {0x80006982, QT_TRANSLATE_NOOP("QObject", "Security status not satisfied,\nRequired to log in first......"),
     WorkerStep::Exit},
    {0x80006A07, QT_TRANSLATE_NOOP("QObject", "Poor image quality,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x80006A09, nullptr, WorkerStep::CaptureAgain},
    {0x80006A0A,
     QT_TRANSLATE_NOOP("QObject", "Acquisition Instrument dirty,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x80006A0B,
     QT_TRANSLATE_NOOP("QObject", "Image effective area of small,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x80006A0E, nullptr, WorkerStep::CaptureAgain},
};

constexpr WorkerOutcome kExtraction[] = {
    {0, QT_TRANSLATE_NOOP("QObject", "Feature Extraction successful,\nPlease wait......"), WorkerStep::Identify},
    {0x80006982,
     QT_TRANSLATE_NOOP("QObject", "Security status not satisfied,\nRequired to log in first,Please wait......"),
     WorkerStep::Exit},
    {0x80006A07, QT_TRANSLATE_NOOP("QObject", "Poor image quality,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x80006A08,
     QT_TRANSLATE_NOOP("QObject", "Image feature points too little,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x80006A0B,
     QT_TRANSLATE_NOOP("QObject", "Image effective area of small,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x80006A11,
     QT_TRANSLATE_NOOP("QObject", "Image data not available,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {0x8000B002, QT_TRANSLATE_NOOP("QObject", "Parameter error,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CheckSecurity},
};

constexpr WorkerOutcome kIdentification[] = {
    {0, nullptr, WorkerStep::Identify},
    {0x80006A21,
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nFingerprint comparison failure,Please wait......"),
     WorkerStep::Retry},
    {0x80006A2F,
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nFingerprint Identification failure,\nPlease wait......"),
     WorkerStep::Retry},
    {0x80006982,
     QT_TRANSLATE_NOOP("QObject",
                       "Login authentication fail,Security status not satisfied,\nRequired to log in first,"
                       "Please wait......"),
     WorkerStep::Exit},
    {0x80006983, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nCard locked."), WorkerStep::Exit},
    {0x80006A07, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,Poor image quality."), WorkerStep::Exit},
    {0x80006A08, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nImage feature points too little."),
     WorkerStep::Exit},
    {0x80006A0B, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nImage effective area of small."),
     WorkerStep::Exit},
    {0x80006A11, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nImage data not available."),
     WorkerStep::Exit},
    {0x80006A12, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nTemplate cache feature is not enabled."),
     WorkerStep::Exit},
    {0x80006A13,
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nThere is no effective template cache data."),
     WorkerStep::Exit},
    {0x80006A14,
     QT_TRANSLATE_NOOP("QObject",
                       "Login authentication fail,\nFingerprint authentication feature is not enabled,\n"
                       "the current model for Password Authentication"),
     WorkerStep::Exit},
    {0x8000B002, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nParameter error."), WorkerStep::Exit},
};

}  // namespace

std::span<const WorkerOutcome> CaptureOutcomes() { return kCapture; }
std::span<const WorkerOutcome> ExtractionOutcomes() { return kExtraction; }
std::span<const WorkerOutcome> IdentificationOutcomes() { return kIdentification; }

const WorkerOutcome *FindOutcome(std::span<const WorkerOutcome> table, uint64_t code) {
    for (const WorkerOutcome &outcome : table) {
        if (outcome.code == code) return &outcome;
    }
    return nullptr;
}

}  // namespace authdlg
