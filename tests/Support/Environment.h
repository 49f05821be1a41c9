// Sets and clears the tests' environment variables on either system.
#pragma once

#include <cstdlib>

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

inline void UnsetEnvironment(const char* name) {
#ifdef _WIN32
    _putenv_s(name, ""); // an empty value removes the variable there
#else
    unsetenv(name);
#endif
}
