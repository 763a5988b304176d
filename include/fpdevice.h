/* fpdevice: the device API of the fingerprint key and the image library. */
#ifndef FPDEVICE_H
#define FPDEVICE_H

#include "fpdevice/transport.h"
#include "fpdevice/dactyl.h"
#include "fpdevice/imaging_primitives.h"
#include "fpdevice/imaging_localsums.h"
#include "fpdevice/imaging_orientation.h"
#include "fpdevice/imaging_fft.h"
#include "fpdevice/imaging_segmentation.h"
#include "fpdevice/imaging_regions.h"
#include "fpdevice/imaging_frequency.h"
#include "fpdevice/imaging_quality.h"

#endif
