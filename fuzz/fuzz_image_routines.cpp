// Every exported image routine with sizes, parameters and samples from the
// fuzzer. Input: routine, height, width, four parameter bytes, then samples
// (repeated to fill the image). Sides stay below 384 so one run stays within
// the fuzzer's memory limit; the routines' own limits are reached through
// the parameters that are not sizes of a buffer.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "fpdevice.h"

namespace {

constexpr int kMaxSide = 383;

struct Input {
    int height;
    int width;
    uint8_t p[4];
    std::vector<uint8_t> image;

    size_t samples() const { return static_cast<size_t>(height) * static_cast<size_t>(width); }
    uint16_t h() const { return static_cast<uint16_t>(height); }
    uint16_t w() const { return static_cast<uint16_t>(width); }
    int16_t sh() const { return static_cast<int16_t>(height); }
    int16_t sw() const { return static_cast<int16_t>(width); }
    template <class T>
    std::vector<T> widened() const {
        std::vector<T> plane(samples());
        for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<T>(image[i] * (p[3] + 1) - (p[3] << 6));
        return plane;
    }
    std::vector<uint8_t> binary() const {
        std::vector<uint8_t> plane(image);
        for (auto &sample : plane) sample = sample > p[3] ? 1 : 0;
        return plane;
    }
};

void Check(bool holds) {
    if (!holds) std::abort();
}

// Blocks of a field with angles anywhere in int16, so cells outside
// -90 ... 90 are reached too.
BlockField FieldFrom(const Input &in, uint16_t rows, uint16_t cols) {
    BlockField field{8, rows, cols, static_cast<int16_t *>(std::malloc(sizeof(int16_t) * rows * cols))};
    for (size_t i = 0; i < static_cast<size_t>(rows) * cols; ++i) {
        field.data[i] = static_cast<int16_t>((in.image[i % in.image.size()] << 8 | in.p[i % 4]) % 200 - 100);
    }
    return field;
}

void VectorSums(Input &in) {
    const auto length = static_cast<int16_t>(in.samples() > 4000 ? 4000 : in.samples());
    const auto outStride = static_cast<int16_t>(1 + in.p[0] % 3), inStride = static_cast<int16_t>(1 + in.p[1] % 3);
    const size_t outSize = static_cast<size_t>(length) * outStride, inSize = static_cast<size_t>(length) * inStride;
    std::vector<uint8_t> bytesIn(inSize), bytesOut(outSize);
    for (size_t i = 0; i < inSize; ++i) bytesIn[i] = in.image[i % in.image.size()];
    std::vector<uint16_t> shortsIn(bytesIn.begin(), bytesIn.end()), shortsOut(outSize);
    std::vector<int32_t> intsIn(bytesIn.begin(), bytesIn.end()), intsOut(outSize);
    std::vector<float> floatsIn(bytesIn.begin(), bytesIn.end()), floatsOut(outSize);
    fvs_VectorLocalSumChar2Char(bytesOut.data(), bytesIn.data(), outStride, inStride, length, in.p[2]);
    fvs_VectorLocalSumChar2Uint16(shortsOut.data(), bytesIn.data(), outStride, inStride, length, in.p[2]);
    fvs_VectorLocalSumUint162Uint16(shortsOut.data(), shortsIn.data(), outStride, inStride, length, in.p[2]);
    fvs_VectorLocalSumInt2Int(intsOut.data(), intsIn.data(), outStride, inStride, length, in.p[2]);
    fvs_VectorLocalSumFloat2Float(floatsOut.data(), floatsIn.data(), outStride, inStride, length, in.p[2]);
}

void ImageSums(Input &in) {
    std::vector<uint8_t> bytes(in.samples());
    std::vector<uint16_t> shorts(in.samples());
    auto ints = in.widened<int32_t>();
    auto floats = in.widened<float>();
    auto shortsIn = in.widened<uint16_t>();
    Check(fvs_ImageLocalSumChar2Char(bytes.data(), in.image.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(fvs_ImageLocalSumChar2Uint16(shorts.data(), in.image.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(fvs_ImageLocalSumUint162Uint16(shortsIn.data(), shortsIn.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(fvs_ImageLocalSumInt2Int(ints.data(), ints.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(fvs_ImageLocalSumFloat2Float(floats.data(), floats.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
}

void Means(Input &in) {
    std::vector<uint8_t> bytes(in.samples());
    auto ints = in.widened<int32_t>();
    const int32_t expected = in.p[0] == 0 || in.p[1] == 0 ? 2 : 0;
    Check(fvs_ImageMeanChar2Char(bytes.data(), in.image.data(), in.h(), in.w(), in.p[0], in.p[1]) == expected);
    Check(fvs_ImageMeanInt2Int(ints.data(), ints.data(), in.h(), in.w(), in.p[0], in.p[1]) == expected);
}

void WindowMorphology(Input &in) {
    auto unit = in.binary();
    Check(BWDilateFast(unit.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(BWErodeFast(unit.data(), in.h(), in.w(), in.p[1], in.p[0]) == 0);
    std::vector<uint16_t> wide(unit.begin(), unit.end());
    Check(BWDilateFastUint16(wide.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(BWErodeFastUint16(wide.data(), in.h(), in.w(), in.p[1], in.p[0]) == 0);
    auto mask = in.image;
    Check(MY_BWDilateFastUint16(mask.data(), in.h(), in.w(), in.p[0], in.p[1]) == 0);
    Check(MY_BWErodeFastUint16(mask.data(), in.h(), in.w(), in.p[1], in.p[0]) == 0);
    Check(BDilate(mask.data(), in.h(), in.w()) == 0);
    Check(BErode(mask.data(), in.h(), in.w()) == 0);
}

void Orientation(Input &in) {
    // The half-size image of a full-size one, as the routine expects.
    const auto fullHeight = static_cast<uint16_t>(in.height * 2 + (in.p[2] & 1));
    const auto fullWidth = static_cast<uint16_t>(in.width * 2 + (in.p[2] >> 1 & 1));
    int32_t *p = nullptr, *q = nullptr;
    BlockField fine{}, change{}, coarse{};
    if (FingerprintGetDirectionFloat(in.image.data(), in.h(), in.w(), fullHeight, fullWidth, in.p[0], 0, &p, &q, &fine,
                                     &change, &coarse) == 0) {
        for (size_t i = 0; i < static_cast<size_t>(fine.rows) * fine.cols; ++i) {
            Check(fine.data[i] >= -90 && fine.data[i] <= 90);
        }
        uint8_t *spacing = nullptr;
        if (fine.rows > 0 && fine.cols > 0 && FpGetFrequency(in.image.data(), in.sh(), in.sw(), &fine, &spacing) == 0) {
            std::free(spacing);
        }
        FingerprintOrientGrad(&change, &fine);
    }
    std::free(p);
    std::free(q);
    std::free(fine.data);
    std::free(change.data);
    std::free(coarse.data);
    Check(AngleDiffAbs(static_cast<int16_t>(in.p[0] << 8 | in.p[1]), static_cast<int16_t>(in.p[2] << 8 | in.p[3])) >=
          0);
}

void Frequency(Input &in) {
    BlockField field = FieldFrom(in, static_cast<uint16_t>(1 + in.p[0] % 64), static_cast<uint16_t>(1 + in.p[1] % 64));
    uint8_t *spacing = nullptr;
    if (FpGetFrequency(in.image.data(), in.sh(), in.sw(), &field, &spacing) == 0) std::free(spacing);
    BlockField change{};
    FingerprintOrientGrad(&change, &field);
    std::free(change.data);
    std::free(field.data);
    NotContinue(in.image.data(), in.height, in.width, in.p[2]);
    Complexity(in.image.data(), in.sh(), in.sw(), in.p[2]);
    std::vector<uint32_t> out(in.height > in.width ? in.height : in.width);
    Project(out.data(), in.image.data(), in.height, in.width, in.p[3] & 1);
}

void Primitives(Input &in) {
    uint32_t *histogram = HistogramCompute(in.image.data(), in.h(), in.w());
    Check(histogram != nullptr);
    const uint8_t mean = HistogramGetMean(histogram);
    HistogramGetVariance(histogram);
    HistogramGetVariance2(histogram, in.p[0]);
    Check(mean <= 255);
    HistogramSmooth(histogram);
    HistogramSmooth128(histogram);
    HistogramDestroy(histogram);
    std::vector<uint8_t> copy(in.samples());
    Check(ImageCopy(copy.data(), in.image.data(), in.h(), in.w()) == 0);
    Check(ImageNormalize(copy.data(), in.h(), in.w(), in.p[0], static_cast<uint32_t>(in.p[1]) << in.p[2] % 24) == 0);
    // Sizes the source may or may not be able to supply.
    const auto rh = static_cast<uint16_t>(1 + in.p[0] % (in.height + 1)),
               rw = static_cast<uint16_t>(1 + in.p[1] % (in.width + 1));
    std::free(ImageReduce(in.image.data(), in.h(), in.w(), rh, rw));
    std::free(
        ImageEnlarge(in.image.data(), in.h(), in.w(), static_cast<uint16_t>(rh * 2), static_cast<uint16_t>(rw * 2)));
    int16_t **axes = AxisTransform(in.p[2] % 32, in.p[3] % 24, in.p[0] % 24);
    AxisDestroy(axes, in.p[2] % 32);
    Check(ImageFlood(copy.data(), in.p[3], in.h(), in.w()) == 0);
    Check(ImageClear(copy.data(), in.h(), in.w()) == 0);
    std::vector<float> real(in.samples()), imaginary(in.samples());
    for (size_t i = 0; i < real.size(); ++i) real[i] = in.image[i];
    const auto n = static_cast<int16_t>(1 << (1 + in.p[3] % 12));
    if (static_cast<size_t>(n) <= real.size()) {
        FFT(real.data(), imaginary.data(), n);
        IFFT(real.data(), imaginary.data(), n);
    }
}

void Quality(Input &in) {
    uint16_t *grid = nullptr;
    FpGetImg4DirectionGrads(in.image.data(), in.sh(), in.sw(), &grid, in.p[0] % 5, in.p[1] % 9);
    std::free(grid);
    if (uint16_t **grids = FpGetImg4DirectionGradsEx(in.image.data(), in.sh(), in.sw(), 4)) {
        BlkQualityMap record{};
        ImageBlkQualityEx(&record, in.image.data(), in.sh(), in.sw(), nullptr, grids);
        std::free(record.map);
        for (int d = 0; d < 4; ++d) std::free(grids[d]);
        std::free(grids);
    }
    BlkQualityMap record{};
    ImageBlkQuality(&record, in.image.data(), in.sh(), in.sw(), nullptr);
    std::free(record.map);
}

void Regions(Input &in) {
    auto image = in.image;
    uint32_t area = 0;
    int16_t left, top, right, bottom;
    RegionGrow(image.data(), in.sh(), in.sw(), static_cast<int16_t>(in.p[0] % in.height),
               static_cast<int16_t>(in.p[1] % in.width), &area, &left, &top, &right, &bottom, in.p[2], in.p[3],
               static_cast<uint8_t>(in.p[0] ^ in.p[1]));
    Check(area <= in.samples());
    Check(RemoveSmallArea(image.data(), in.sh(), in.sw(), in.p[2], static_cast<uint8_t>(in.p[2] + 1 + in.p[3] % 254),
                          static_cast<int16_t>(in.p[0] << 8 | in.p[1])) != 2);
    std::vector<uint8_t> smooth(in.samples());
    Check(MeanSmooth(in.image.data(), smooth.data(), in.sh(), in.sw()) == 0);
    Check(RemoveStripe(image.data(), in.sh(), in.sw(), in.p[2], in.p[3], in.p[0], in.p[1] % 3) == 0);
    ZooList list{};
    zooInitList(&list, in.p[0]);
    for (uint8_t i = 0; i < in.p[1]; ++i) zooPush(&list, i);
    uint32_t value;
    while (!zooIsListEmpty(&list)) Check(zooPop(&list, &value) == 1);
    zooClearup(&list);
}

void Segmentation(Input &in) {
    auto image = in.image;
    FpThresholdingGradsImage(image.data(), in.sh(), in.sw());
    image = in.image;
    FpThresholdingGradsImageEx(image.data(), in.sh(), in.sw());
    for (const uint8_t sample : image)
        Check(sample == 0 || sample == 255 || sample == in.image[&sample - image.data()]);
}

const std::function<void(Input &)> kFamilies[] = {VectorSums, ImageSums,  Means,   WindowMorphology, Orientation,
                                                  Frequency,  Primitives, Quality, Regions,          Segmentation};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 8) return 0;
    Input in;
    const size_t family = data[0] % std::size(kFamilies);
    in.height = 1 + (data[1] << 8 | data[2]) % kMaxSide;
    in.width = 1 + (data[3] << 8 | data[4]) % kMaxSide;
    std::memcpy(in.p, data + 5, 3);
    in.p[3] = data[7];
    in.image.resize(in.samples());
    const size_t left = size - 8;
    for (size_t i = 0; i < in.image.size(); ++i) in.image[i] = left ? data[8 + i % left] : 0;
    kFamilies[family](in);
    return 0;
}
