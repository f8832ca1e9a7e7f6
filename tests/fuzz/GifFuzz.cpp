// libFuzzer target for the GIF reader (giflib): any input is refused with a reason or
// decodes into exactly width x height pixels, every one of which is read.
//   cmake --preset fuzz && cmake --build --preset fuzz --target GifFuzz
//   build/fuzz/tests/fuzz/GifFuzz -max_total_time=300 <corpus folder>
#include "tests/fuzz/DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzDecoder(DecodeGif, data, size);
}
