// Feeds arbitrary bytes to the image texture path as an image file in the data folder: decoding,
// the colour key, the resize to powers of two and the upload to a recording device. A texture that
// is created must report a size the limits allow.
// The decoders are instrumented: stb_image (BMP, TGA) is compiled into the core, and `make fuzz`
// builds libspng and libjpeg-turbo from their sources (see CMakeLists.txt). The resizer is not: it
// reads no file bytes, only sizes, and instrumented it took four fifths of the fuzzer's time.
#include "FuzzDataFolder.h"
#include "Platform/CGraphicsDevice.h"
#include "Resources/CResourceTexture.h"
#include "Resources/ImageDecoder.h"
#include "Testing/CRecordingDevice.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A few bytes may declare an image of up to 16384 pixels a side, which the limits allow and which
    // takes the instrumented decoders up to most of a minute; images over a megapixel are left to the
    // tests of large images, so that the fuzzer spends its time on the decoders' parsing.
    int width = 0, height = 0;
    ImageError error;
    if (ReadImageSize(data, size, width, height, error) && static_cast<int64_t>(width) * height > 1024 * 1024)
        return 0;
    if (!FuzzDataFolder().Write("image", data, size))
        std::abort();
    static CRecordingDevice device;
    device.ClearCalls();
    CResourceTextureImage texture("image");
    if (texture.Create(device)) {
        CTexture* created = texture.GetTexture();
        if (!created || texture.width < 1 || texture.height < 1 || created->Width() < texture.width ||
            created->Height() < texture.height)
            std::abort();
    }
    return 0;
}
