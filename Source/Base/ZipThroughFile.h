// libzip reading an archive through an open handle, never by its name, so that what libzip reads is
// the very file that was opened and screened.
#pragma once

#include <memory>
#include <string>

class CNativeFile;
struct zip;

// Opens the archive read-only through `file`, which must stay open while the archive lives (`keep`,
// when given, is held by the archive until it is closed). Null with `reason`, libzip's words.
zip* OpenZipThroughFile(const CNativeFile& file, std::shared_ptr<const CNativeFile> keep, std::string& reason);
