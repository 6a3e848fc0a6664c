// The one header through which the plug-in reaches its host.
//
// Built against the real SDK (CMake option QUORV_MAXSDK_DIR, which defines QUORV_MAXSDK and
// puts the SDK's include folder on the path) these are the SDK's own headers; otherwise the
// same names come from the stand-in in host/, whose headers carry the SDK's file names.
#pragma once

#include <windows.h>

#include <max.h>
#include <iparamb2.h>
#include <iparamm2.h>
#include <imtl.h>
#include <plugapi.h>
#include <random.h>
#include <stdmat.h>

// Unmangled module exports.
#if defined(_WIN32)
#define QUORV_EXPORT extern "C" __declspec(dllexport)
#define QUORV_ENTRY_POINT extern "C"
#else
#define QUORV_EXPORT extern "C" __attribute__((visibility("default")))
// Without a Windows loader the stand-in host finds the entry point by name.
#define QUORV_ENTRY_POINT extern "C" __attribute__((visibility("default")))
#endif
