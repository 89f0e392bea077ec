#include "allocation_count.h"

#include <cstddef>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *memory, size_t size);

static long long allocations = 0;

void *malloc(size_t size) {
  ++allocations;
  return __libc_malloc(size);
}
void *calloc(size_t count, size_t size) {
  ++allocations;
  return __libc_calloc(count, size);
}
void *realloc(void *memory, size_t size) {
  ++allocations;
  return __libc_realloc(memory, size);
}
}

long long allocation_count() { return allocations; }
