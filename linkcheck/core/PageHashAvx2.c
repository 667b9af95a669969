// xxHash's XXH3 compiled with AVX2 (this file alone is built with -mavx2); its results are
// those of any other compilation.
#define XXH_INLINE_ALL
#define XXH_VECTOR XXH_AVX2
#include <xxhash.h>

#include "linkcheck/core/PageHashAvx2.h"

static PageHash128 Of(XXH128_hash_t hash) {
    PageHash128 out = {hash.high64, hash.low64};
    return out;
}

PageHash128 PageHashAvx2(const void* data, size_t size) {
    return Of(XXH3_128bits(data, size));
}

void PageHashAvx2Reset(void* state) {
    XXH3_128bits_reset((XXH3_state_t*)state);
}

void PageHashAvx2Update(void* state, const void* data, size_t size) {
    XXH3_128bits_update((XXH3_state_t*)state, data, size);
}

PageHash128 PageHashAvx2Digest(const void* state) {
    return Of(XXH3_128bits_digest((const XXH3_state_t*)state));
}
