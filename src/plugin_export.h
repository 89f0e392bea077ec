// Export and calling-convention macros, kept in one place.
//
// ROLLWICK_EXPORT   marks one of the nine entry points the host resolves by
//                   name: C linkage, C calling convention, undecorated, and
//                   the only symbols either binary exports.
// ROLLWICK_HOSTCALL the calling convention of the host's interface methods:
//                   __stdcall on Windows (object first, callee pops), the
//                   platform's default member-call convention elsewhere.
#pragma once

#if defined(_WIN32)
#define ROLLWICK_EXPORT extern "C" __declspec(dllexport)
#define ROLLWICK_HOSTCALL __stdcall
#else
#define ROLLWICK_EXPORT extern "C" __attribute__((visibility("default")))
#define ROLLWICK_HOSTCALL
#endif
