#include "logo/DecodedImage.h"

int64_t NvBytesOf(int64_t width, int64_t height)
{
    return (height + 7) / 8 * ((width + 7) / 8 * 8);
}

bool CheckDecodeSize(const char* kind, int64_t width, int64_t height, int64_t maxNvBytes, std::string& why)
{
    if (width < 1 || height < 1) {
        why = std::string(kind) + " file declares an empty picture";
        return false;
    }
    // Far beyond any limit: the product below could not overflow, but the message
    // would be silly.
    const int64_t bytes =
        width > (int64_t{1} << 31) || height > (int64_t{1} << 31) ? INT64_MAX : NvBytesOf(width, height);
    if (bytes > maxNvBytes) {
        why = std::string(kind) + " picture too large: " + std::to_string(width) + " x " +
              std::to_string(height) + " dots need " +
              (bytes == INT64_MAX ? std::string("more") : std::to_string(bytes)) +
              " bytes of printer memory, at most " + std::to_string(maxNvBytes) + " fit";
        return false;
    }
    return true;
}
