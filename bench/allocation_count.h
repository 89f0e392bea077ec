// Counts every heap allocation the process makes: malloc, calloc and realloc
// are replaced by counting forwards to the C library's own, and operator new
// goes through malloc.
#pragma once

long long allocation_count();
