#pragma once

// XXH3 from the system's libxxhash, with states that can live on the stack. On x86-64 the library
// picks the widest vector unit of the machine at run time.
#define XXH_STATIC_LINKING_ONLY
#if defined(__x86_64__)
#include <xxh_x86dispatch.h>
#else
#include <xxhash.h>
#endif
