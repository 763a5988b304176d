/* The mark of every function and data item libfpdevice.so exports. */
#ifndef FPDEVICE_EXPORT_H
#define FPDEVICE_EXPORT_H

#if defined(__GNUC__)
#define FPDEVICE_API __attribute__((visibility("default")))
#else
#define FPDEVICE_API
#endif

#endif
