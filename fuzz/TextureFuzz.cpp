// Feeds arbitrary bytes to the image texture path as an image file in the data folder: decoding,
// the colour key, the resize to powers of two and the upload to a recording device. A texture that
// is created must report a size the limits allow.
// The decoder is compiled into this program (its definitions take the place of the shared library's),
// so that it is instrumented and the fuzzer sees its coverage.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_resize.h>

#include "FuzzDataFolder.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/CRecordingDevice.h"
#include "Resources/CResourceTexture.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzDataFolder& folder = FuzzDataFolder::Get();
    if (!folder.Write("image", data, size))
        std::abort();
    static CRecordingDevice device;
    SetGraphicsDevice(&device);
    device.ClearCalls();
    CResourceTextureImage texture("image");
    if (texture.Create()) {
        CTexture* created = texture.GetTexture();
        if (!created || texture.width < 1 || texture.height < 1 || created->Width() < texture.width ||
            created->Height() < texture.height)
            std::abort();
    }
    return 0;
}
