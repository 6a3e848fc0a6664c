// Saving and loading an object graph: each object with its class, its references
// (shared targets once) and its own Save data.
#pragma once

#include <vector>

#include "ref.h"

// The bytes of root and everything it references. Empty when root is null or an object's
// Save fails.
std::vector<unsigned char> SaveObject(ReferenceTarget* root);

// Re-creates the graph through the class directory: creates every object (Create with
// loading TRUE), runs its Load, then attaches the references. Returns the root, owned by
// the caller (release it with DeleteThis), or null with *result IO_ERROR for bytes that are
// truncated, inconsistent, followed by more bytes or name an unknown class; nothing built is
// left behind then.
ReferenceTarget* LoadObject(const std::vector<unsigned char>& bytes, IOResult* result = nullptr);
