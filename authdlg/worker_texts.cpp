#include "worker_texts.h"

#include <QtCore/QtGlobal>

#include "result_codes.h"

namespace authdlg {
namespace {

constexpr WorkerOutcome kCapture[] = {
    {0, QT_TRANSLATE_NOOP("QObject", "Image Acquisition success,\nPlease wait......"), WorkerStep::Extract},
    {StatusCode(SW_SECURITY_NOT_SATISFIED),
     QT_TRANSLATE_NOOP("QObject", "Security status not satisfied,\nRequired to log in first......"), WorkerStep::Exit},
    {StatusCode(SW_POOR_IMAGE),
     QT_TRANSLATE_NOOP("QObject", "Poor image quality,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {FP_E_CAPTURE_FAILED, nullptr, WorkerStep::CaptureAgain},
    {StatusCode(SW_SENSOR_DIRTY),
     QT_TRANSLATE_NOOP("QObject", "Acquisition Instrument dirty,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {StatusCode(SW_AREA_TOO_SMALL),
     QT_TRANSLATE_NOOP("QObject", "Image effective area of small,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {FP_E_CAPTURE_PENDING, nullptr, WorkerStep::CaptureAgain},
};

constexpr WorkerOutcome kExtraction[] = {
    {0, QT_TRANSLATE_NOOP("QObject", "Feature Extraction successful,\nPlease wait......"), WorkerStep::Identify},
    {StatusCode(SW_SECURITY_NOT_SATISFIED),
     QT_TRANSLATE_NOOP("QObject", "Security status not satisfied,\nRequired to log in first,Please wait......"),
     WorkerStep::Exit},
    {StatusCode(SW_POOR_IMAGE),
     QT_TRANSLATE_NOOP("QObject", "Poor image quality,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {StatusCode(SW_TOO_FEW_FEATURES),
     QT_TRANSLATE_NOOP("QObject", "Image feature points too little,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {StatusCode(SW_AREA_TOO_SMALL),
     QT_TRANSLATE_NOOP("QObject", "Image effective area of small,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {StatusCode(SW_IMAGE_NOT_AVAILABLE),
     QT_TRANSLATE_NOOP("QObject", "Image data not available,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CaptureAgain},
    {FP_E_BAD_ARGUMENT, QT_TRANSLATE_NOOP("QObject", "Parameter error,\nPlease re-Waterloo wiping fingerprints......"),
     WorkerStep::CheckSecurity},
};

constexpr WorkerOutcome kIdentification[] = {
    {0, nullptr, WorkerStep::Identify},
    {FP_E_VERIFY_MISMATCH,
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nFingerprint comparison failure,Please wait......"),
     WorkerStep::Retry},
    {FP_E_IDENTIFY_MISMATCH,
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nFingerprint Identification failure,\nPlease wait......"),
     WorkerStep::Retry},
    {StatusCode(SW_SECURITY_NOT_SATISFIED),
     QT_TRANSLATE_NOOP("QObject",
                       "Login authentication fail,Security status not satisfied,\nRequired to log in first,"
                       "Please wait......"),
     WorkerStep::Exit},
    {StatusCode(SW_AUTH_METHOD_BLOCKED), QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nCard locked."),
     WorkerStep::Exit},
    {StatusCode(SW_POOR_IMAGE), QT_TRANSLATE_NOOP("QObject", "Login authentication fail,Poor image quality."),
     WorkerStep::Exit},
    {StatusCode(SW_TOO_FEW_FEATURES),
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nImage feature points too little."), WorkerStep::Exit},
    {StatusCode(SW_AREA_TOO_SMALL),
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nImage effective area of small."), WorkerStep::Exit},
    {StatusCode(SW_IMAGE_NOT_AVAILABLE),
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nImage data not available."), WorkerStep::Exit},
    {StatusCode(SW_CACHE_NOT_ENABLED),
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nTemplate cache feature is not enabled."),
     WorkerStep::Exit},
    {StatusCode(SW_CACHE_EMPTY),
     QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nThere is no effective template cache data."),
     WorkerStep::Exit},
    {StatusCode(SW_FINGER_AUTH_DISABLED),
     QT_TRANSLATE_NOOP("QObject",
                       "Login authentication fail,\nFingerprint authentication feature is not enabled,\n"
                       "the current model for Password Authentication"),
     WorkerStep::Exit},
    {FP_E_BAD_ARGUMENT, QT_TRANSLATE_NOOP("QObject", "Login authentication fail,\nParameter error."), WorkerStep::Exit},
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
