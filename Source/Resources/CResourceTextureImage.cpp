#include "Base/CMemoryBudget.h"
#include "Base/CTokeniser.h"
#include "Base/ChargeWhileHeld.h"
#include "Base/DataFile.h"
#include "Base/Log.h"
#include "Platform/CGraphicsDevice.h"
#include "Resources/CResourceTexture.h"
#include "Resources/ImageDecoder.h"

#include <stb_image_resize.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Larger images are refused from their header, before anything is decoded: the device could not
// hold them, and a hostile header must not make the decoder allocate gigabytes.
constexpr int MaxImageEdge = 16384;
// The power-of-two texture an image is scaled to: at most 256 MiB of RGBA pixels.
constexpr int64_t MaxTexturePixels = int64_t(8192) * 8192;

int NextPowerOfTwo(int value) {
    int result = 1;
    while (result < value)
        result <<= 1;
    return result;
}

} // namespace

bool CResourceTextureImage::LoadFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceTextureImage::LoadFromTokeniser", "Expecting image filename but didn't find one on line %d",
            t.line);
        return false;
    }
    fileName = t.GetString();
    return true;
}

bool CResourceTextureImage::Share(const CResourceTextureImage& created) {
    if (!created.texture)
        return false;
    texture = created.texture;
    width = created.width;
    height = created.height;
    return true;
}

bool CResourceTextureImage::CreateImage(CGraphicsDevice& device, CMemoryBudget* budget, const std::string& name,
                                        const MadeBefore& madeBefore) {
    // The file's bytes are charged while they are held, before they are read: a small image padded
    // with hundreds of megabytes is refused by the budget, not read.
    std::vector<uint8_t> bytes;
    ChargeWhileHeld fileCharge(budget, "texture", name);
    DataFileResult result = ReadDataFile(fileName, bytes, MaxDataFileBytes, fileCharge.Admit());
    if (result == DataFileResult::Refused)
        return false;
    if (result == DataFileResult::NotFound) {
        LOG("CResourceTextureImage::CreateImage", "Failed to load texture '%s'", fileName.c_str());
        return false;
    }
    if (const char* reason = NotAFileReason(result)) {
        LOG("CResourceTextureImage::CreateImage", "Failed to load texture '%s': %s", fileName.c_str(), reason);
        return false;
    }
    if (result != DataFileResult::Ok || bytes.size() > static_cast<size_t>(INT32_MAX)) {
        LOG("CResourceTextureImage::CreateImage", "Error loading texture '%s' into memory", fileName.c_str());
        return false;
    }
    content = FileContent::Of(bytes);
    // Bytes that made a texture before make the same texture again: that one is taken as it is.
    const CResourceTextureImage* made = madeBefore ? madeBefore(content) : nullptr;
    if (made && made->texture) {
        if (budget && !budget->Charge(made->charged, "texture", name))
            return false;
        texture = made->texture;
        width = made->width;
        height = made->height;
        charged = made->charged;
        return true;
    }
    return Decode(device, bytes, budget, name);
}

bool CResourceTextureImage::Decode(CGraphicsDevice& device, const std::vector<uint8_t>& bytes, CMemoryBudget* budget,
                                   const std::string& name) {
    // The size comes from the header alone, so that an image too large is refused before decoding.
    int width = 0, height = 0;
    ImageError error;
    DecodedImage image;
    int64_t charged = 0;
    // Memory charged for a texture that is not made after all goes back.
    auto Refused = [&] {
        if (budget && charged)
            budget->Refund(charged);
        return false;
    };
    if (ReadImageSize(bytes.data(), bytes.size(), width, height, error)) {
        if (width < 1 || height < 1 || width > MaxImageEdge || height > MaxImageEdge ||
            int64_t(NextPowerOfTwo(width)) * NextPowerOfTwo(height) > MaxTexturePixels) {
            LOG("CResourceTextureImage::CreateImage",
                "Error creating texture '%s': the image is %d x %d pixels, more than a texture may hold",
                fileName.c_str(), width, height);
            return false;
        }
        // The texture's memory is known from the header: charged before anything is decoded.
        charged = CMemoryBudget::TextureBytes(NextPowerOfTwo(width), NextPowerOfTwo(height), 2);
        if (budget && !budget->Charge(charged, "texture", name))
            return false;
        DecodeImage(bytes.data(), bytes.size(), image, error);
    }
    switch (error.fault) {
    case ImageFault::None:
        break;
    case ImageFault::UnsupportedFormat:
        LOG("CResourceTextureImage::CreateImage", "Error creating texture '%s': not a BMP, PNG, JPEG or TGA image",
            fileName.c_str());
        return Refused();
    case ImageFault::CorruptHuffmanTable:
        LOG("CResourceTextureImage::CreateImage", "Error creating texture '%s': corrupt JPEG Huffman table",
            fileName.c_str());
        return Refused();
    case ImageFault::Stopped:
        return Refused(); // the run ends; the image is not at fault
    case ImageFault::Corrupt:
        break; // the plain message below
    }
    // The header may understate what the decoder then produced.
    const bool decoded = error.fault == ImageFault::None && image.width == width && image.height == height;
    if (!decoded) {
        LOG("CResourceTextureImage::CreateImage", "Error creating texture '%s'", fileName.c_str());
        if (!error.reason.empty())
            AdviseAuthor("The image decoder says: %s.", error.reason.c_str());
        else if (error.fault == ImageFault::None)
            AdviseAuthor("The image holds fewer pixels than its header claims.");
        return Refused();
    }

    // Opaque magenta is the colour key: those pixels become transparent black.
    uint8_t* p = image.rgba.data();
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i, p += 4) {
        if (p[0] == 255 && p[1] == 0 && p[2] == 255 && p[3] == 255)
            std::memset(p, 0, 4);
    }

    const int textureWidth = NextPowerOfTwo(width);
    const int textureHeight = NextPowerOfTwo(height);
    const uint8_t* upload = image.rgba.data();
    std::vector<uint8_t> scaled;
    if (textureWidth != width || textureHeight != height) {
        scaled.resize(static_cast<size_t>(textureWidth) * textureHeight * 4);
        if (!stbir_resize_uint8(image.rgba.data(), width, height, 0, scaled.data(), textureWidth, textureHeight, 0,
                                4)) {
            LOG("CResourceTextureImage::CreateImage", "Error creating texture '%s'", fileName.c_str());
            return Refused();
        }
        upload = scaled.data();
    }

    std::unique_ptr<CTexture> created = device.CreateTexture(textureWidth, textureHeight, upload, 2);
    if (!created) {
        LOG("CResourceTextureImage::CreateImage", "Error creating texture '%s'", fileName.c_str());
        return Refused();
    }
    texture = std::move(created);
    this->width = static_cast<float>(width);
    this->height = static_cast<float>(height);
    this->charged = charged;
    return true;
}
