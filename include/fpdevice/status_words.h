/*
 * The key's status words (ISO/IEC 7816-4 SW1SW2): every name the system
 * uses, and what each means in words. The device library, the simulated
 * key, the tools and the dialogs all take them from here.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_STATUS_WORDS_H
#define FPDEVICE_STATUS_WORDS_H

#define SW_SUCCESS                   0x9000u
#define SW_MORE_DATA_BASE            0x6100u /* 0x61xx: xx bytes wait for GET RESPONSE */
#define SW_END_OF_FILE               0x6282u /* fewer bytes left than asked for */
#define SW_AUTHENTICATION_FAILED     0x6300u
#define SW_VERIFY_FAILED_BASE        0x63C0u /* 0x63Cx: x attempts left */
#define SW_MEMORY_FAILURE            0x6581u
#define SW_WRONG_LENGTH              0x6700u
#define SW_SECURITY_NOT_SATISFIED    0x6982u
#define SW_AUTH_METHOD_BLOCKED       0x6983u
#define SW_REFERENCE_DATA_UNUSABLE   0x6984u
#define SW_CONDITIONS_NOT_SATISFIED  0x6985u
#define SW_NO_CURRENT_FILE           0x6986u
#define SW_POOR_IMAGE                0x6A07u
#define SW_TOO_FEW_FEATURES          0x6A08u
#define SW_CAPTURE_FAILED            0x6A09u
#define SW_SENSOR_DIRTY              0x6A0Au
#define SW_AREA_TOO_SMALL            0x6A0Bu
#define SW_CAPTURE_NOT_COMPLETE      0x6A0Eu
#define SW_NO_CAPACITY               0x6A0Fu
#define SW_ENROLL_FAILED             0x6A10u
#define SW_IMAGE_NOT_AVAILABLE       0x6A11u
#define SW_CACHE_NOT_ENABLED         0x6A12u
#define SW_CACHE_EMPTY               0x6A13u
#define SW_FINGER_AUTH_DISABLED      0x6A14u
#define SW_VERIFY_MODE_REFUSED       0x6A18u
#define SW_FINGER_MISMATCH           0x6A21u
#define SW_INCORRECT_DATA            0x6A80u
#define SW_FILE_NOT_FOUND            0x6A82u
#define SW_NOT_ENOUGH_MEMORY         0x6A84u
#define SW_REFERENCED_DATA_NOT_FOUND 0x6A88u
#define SW_FILE_EXISTS               0x6A89u
#define SW_SELF_TEST_FAILED          0x6AFAu
#define SW_DEVICE_INFO_FAILED        0x6AFBu
#define SW_WRONG_P1P2                0x6B00u
#define SW_WRONG_LE_BASE             0x6C00u /* 0x6Cxx: xx bytes are available */
#define SW_UNKNOWN_INSTRUCTION       0x6D00u
#define SW_UNKNOWN_CLASS             0x6E00u
#define SW_NO_DIAGNOSIS              0x6F00u
#define SW_LOCK_NOT_OBTAINED         0x9909u /* pseudo status: never on the wire */
#define SW_TRANSPORT_FAILURE         0xFFFFu /* the exchange's own failure value */

/*
 * What each status word means, as the tools print it: FP_STATUS_WORD_MEANINGS(X)
 * expands X(name, text) once for every status word with a fixed meaning. The
 * families 0x61xx, 0x63Cx and 0x6Cxx carry a number and have none; the lock
 * pseudo status is told by its result code.
 */
#define FP_STATUS_WORD_MEANINGS(X)                                                       \
    X(SW_SUCCESS, "success")                                                             \
    X(SW_END_OF_FILE, "end of file reached before the requested length")                 \
    X(SW_AUTHENTICATION_FAILED, "authentication failed")                                 \
    X(SW_MEMORY_FAILURE, "memory failure")                                               \
    X(SW_WRONG_LENGTH, "wrong length")                                                   \
    X(SW_SECURITY_NOT_SATISFIED, "security status not satisfied (not authenticated)")    \
    X(SW_AUTH_METHOD_BLOCKED, "authentication method blocked (key locked)")              \
    X(SW_REFERENCE_DATA_UNUSABLE, "reference data not usable")                           \
    X(SW_CONDITIONS_NOT_SATISFIED, "conditions of use not satisfied")                    \
    X(SW_NO_CURRENT_FILE, "command not allowed (no current file)")                       \
    X(SW_POOR_IMAGE, "poor image quality")                                               \
    X(SW_TOO_FEW_FEATURES, "too few feature points")                                     \
    X(SW_CAPTURE_FAILED, "capture failed")                                               \
    X(SW_SENSOR_DIRTY, "sensor dirty")                                                   \
    X(SW_AREA_TOO_SMALL, "effective image area too small")                               \
    X(SW_CAPTURE_NOT_COMPLETE, "capture not completed (no finger yet)")                  \
    X(SW_NO_CAPACITY, "capacity or next file number not available")                      \
    X(SW_ENROLL_FAILED, "enrolment failed (captures do not agree)")                      \
    X(SW_IMAGE_NOT_AVAILABLE, "image data not available")                                \
    X(SW_CACHE_NOT_ENABLED, "template cache not enabled")                                \
    X(SW_CACHE_EMPTY, "no valid template cache data")                                    \
    X(SW_FINGER_AUTH_DISABLED, "fingerprint authentication not enabled (password mode)") \
    X(SW_VERIFY_MODE_REFUSED, "verify mode change refused")                              \
    X(SW_FINGER_MISMATCH, "finger does not match")                                       \
    X(SW_INCORRECT_DATA, "incorrect data")                                               \
    X(SW_NOT_ENOUGH_MEMORY, "not enough memory space in the file")                       \
    X(SW_FILE_NOT_FOUND, "file not found")                                               \
    X(SW_REFERENCED_DATA_NOT_FOUND, "referenced data not found")                         \
    X(SW_FILE_EXISTS, "file already exists")                                             \
    X(SW_SELF_TEST_FAILED, "self test failed")                                           \
    X(SW_DEVICE_INFO_FAILED, "request refused by the key")                               \
    X(SW_WRONG_P1P2, "wrong parameters P1-P2")                                           \
    X(SW_UNKNOWN_INSTRUCTION, "instruction not supported")                               \
    X(SW_UNKNOWN_CLASS, "class not supported")                                           \
    X(SW_NO_DIAGNOSIS, "technical problem")                                              \
    X(SW_TRANSPORT_FAILURE, "transport failure")

#endif
