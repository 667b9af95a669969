#pragma once

// The page hash compiled for AVX2 (PageHashAvx2.c): called only where the processor has it.
// Plain C, so that nothing of it is shared with code compiled for any processor.
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PageHash128 {
    uint64_t high, low;
} PageHash128;

PageHash128 PageHashAvx2(const void* data, size_t size);
void PageHashAvx2Reset(void* state);
void PageHashAvx2Update(void* state, const void* data, size_t size);
PageHash128 PageHashAvx2Digest(const void* state);

#ifdef __cplusplus
}
#endif
