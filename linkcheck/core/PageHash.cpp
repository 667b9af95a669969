#include "linkcheck/core/PageHash.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "linkcheck/core/PageHashAvx2.h"

namespace morv {

static_assert(sizeof(XXH3_state_t) <= 640 && alignof(XXH3_state_t) <= 64);

namespace {

// One compilation of xxHash: this file's (the build's baseline instructions) or the AVX2 one.
struct Ways {
    PageHash128 (*hash)(const void* data, size_t size);
    void (*reset)(void* state);
    void (*update)(void* state, const void* data, size_t size);
    PageHash128 (*digest)(const void* state);
};

PageHash128 Of(XXH128_hash_t hash) {
    return PageHash128{hash.high64, hash.low64};
}

const Ways kBaseline{
    [](const void* data, size_t size) { return Of(XXH3_128bits(data, size)); },
    [](void* state) { XXH3_128bits_reset(static_cast<XXH3_state_t*>(state)); },
    [](void* state, const void* data, size_t size) {
        XXH3_128bits_update(static_cast<XXH3_state_t*>(state), data, size);
    },
    [](const void* state) {
        return Of(XXH3_128bits_digest(static_cast<const XXH3_state_t*>(state)));
    },
};

const Ways& Chosen() {
#if defined(MORV_PAGE_HASH_AVX2)
    static const Ways avx2{PageHashAvx2, PageHashAvx2Reset, PageHashAvx2Update, PageHashAvx2Digest};
    static const Ways& chosen = __builtin_cpu_supports("avx2") ? avx2 : kBaseline;
    return chosen;
#else
    return kBaseline;
#endif
}

Hash128 ToHash(PageHash128 hash) {
    return Hash128{hash.high, hash.low};
}

}  // namespace

Hash128 HashBytes(std::string_view bytes) {
    return ToHash(Chosen().hash(bytes.data(), bytes.size()));
}

PartsHasher::PartsHasher() {
    Chosen().reset(state_);
}

void PartsHasher::Add(std::string_view part) {
    Chosen().update(state_, part.data(), part.size());
}

Hash128 PartsHasher::Digest() const {
    return ToHash(Chosen().digest(state_));
}

}  // namespace morv
