// The bundle's one entry for the host. `version` points at the build's tag; the loader
// relocates it when the bundle is loaded (it lives in read-only-after-relocation data) and
// nothing writes it afterwards. No code of the bundle runs at load time.
#include "spkernels/spkernels.h"

#ifndef SPK_VERSION_TAG
#error "SPK_VERSION_TAG must name the build's version tag"
#endif

extern "C" {

__attribute__((visibility("hidden"))) extern const char* const version;
const char* const version = SPK_VERSION_TAG;

const char* mexVersion(void) { return version; }

}  // extern "C"
