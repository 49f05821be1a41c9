#include "Resources/CResourceTexture.h"

#include "Platform/CGraphicsDevice.h"

CResourceTexture::CResourceTexture() = default;
CResourceTexture::~CResourceTexture() = default;
