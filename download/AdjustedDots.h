#pragma once
// The printed dots of one logo, made again and again while the user tries adjustments
// on it. The file is read once, and the steps before the one that changed are kept: the
// picture's grey, and that grey trimmed, turned and scaled. A change of tone then costs
// one pass of the tone curve and the halftone over the shaped picture; a change of shape
// starts from the kept grey. The dots are exactly those a download sends for the same
// conversion (ConvertToDots's): the same raster, rounding margins and centring included.
//
// Not thread-safe: one object serves one thread at a time (the preview's worker); it
// holds no reference to anything outside itself.
#include <memory>
#include <string>

#include "download/NvImage.h"
#include "download/StreamDecoder.h"

class AdjustedDots {
public:
    AdjustedDots();
    ~AdjustedDots();
    AdjustedDots(const AdjustedDots&) = delete;
    AdjustedDots& operator=(const AdjustedDots&) = delete;

    // Reads path (BMP, PNG, JPEG or GIF). False with the reason in why when it does not
    // read as a picture; nothing is loaded then.
    bool Load(const std::string& path, std::string& why);
    // The dots of the loaded picture for conversion. False with the reason in why when
    // nothing is loaded, the result is too large for one NV bit image, or memory runs
    // out.
    bool Make(const NvConversion& conversion, DotImage& dots, std::string& why);

private:
    // What the kept greys were made for.
    struct PictureKey {
        HalftoneMode mode = HalftoneMode::Classic;
        int threshold = -1;
        bool operator==(const PictureKey&) const = default;
    };
    struct ShapeKey {
        bool trim = false;
        int rotate = 0;
        Adjustments::Scale scale = Adjustments::Scale::None;
        int percent = 100;
        int maxWidth = 0;
        bool operator==(const ShapeKey&) const = default;
    };
    PictureKey PictureKeyOf(const NvConversion& conversion) const;
    bool MakeRaster(const NvConversion& conversion);

    std::unique_ptr<CNvImage> m_image;
    std::string m_path;
    bool m_loaded = false;
    bool m_havePicture = false;
    PictureKey m_pictureKey;
    GreyImage m_picture;
    bool m_haveShape = false;
    ShapeKey m_shapeKey;
    GreyImage m_shaped;
};
