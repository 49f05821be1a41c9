// What an entry point of the video module makes, for the loaders of each system, which only find the
// entry point: the object, or where there is no entry point a stand-in that says why.
#pragma once

#include <memory>
#include <string>

template <class Made, class Missing> std::unique_ptr<Made> MadeByModule(void* entry, const std::string& failure) {
    if (!entry)
        return std::make_unique<Missing>("cannot load the video encoder: " + failure);
    return std::unique_ptr<Made>(reinterpret_cast<Made* (*)()>(entry)());
}
