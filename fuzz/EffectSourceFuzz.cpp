// Feeds arbitrary bytes to the effect file parser: it must return, never read outside the text, and
// leave every pass naming sections that exist.
#include "Resources/Effect/CEffectParser.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    EffectDescription source;
    std::string error;
    if (CEffectParser::Parse(text, source, error)) {
        for (const auto& t : source.techniques)
            for (const auto& p : t.passes)
                if (!source.FindVertex(p.vertex) || !source.FindFragment(p.fragment))
                    std::abort();
    }
    return 0;
}
