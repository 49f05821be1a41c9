// Feeds arbitrary bytes to the image texture path as an image file in the data folder: decoding,
// the colour key, the resize to powers of two and the upload to a recording device. A texture that
// is created must report a size the limits allow.
// The decoder is compiled into this program (its definitions take the place of the shared library's),
// so that it is instrumented and the fuzzer sees its coverage. The resizer is not: it reads no file
// bytes, only sizes, and instrumented it took four fifths of the fuzzer's time.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "FuzzDataFolder.h"
#include "Platform/CGraphicsDevice.h"
#include "Testing/CRecordingDevice.h"
#include "Resources/CResourceTexture.h"
#include "Resources/ImageScreen.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A few bytes may declare an image of up to 16384 pixels a side, which the limits allow and which
    // takes the instrumented decoder up to most of a minute; images over a megapixel are left to the
    // tests of large images, so that the fuzzer spends its time on the decoders' parsing.
    // The header is read only once the screen lets the file through, as the texture path does.
    int width = 0, height = 0, channels = 0;
    if (ScreenImage(std::vector<uint8_t>(data, data + size)) == ImageScreenResult::Accepted &&
        stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels) &&
        static_cast<int64_t>(width) * height > 1024 * 1024)
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
