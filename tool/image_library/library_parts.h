// Inside the image library: its OpenImageIO readers and writers, which its entry hands to the
// tool (image_library.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tool/images/image.h"
#include "tool/images/image_write.h"

// Keeps the library to the calling thread (the tool's own threads do the parallel work, and
// a pool of the library's would run unseen by them) and its error messages short. Safe to
// call from any thread, any number of times.
void PrepareImageLibrary();

// ReadImage and ReadImageMemory (image_read.h).
Image LibraryReadFile(const std::string& path);
Image LibraryReadMemory(std::string_view data, const std::string& name, int maxSide);
// A scanline writer to `path` or into `memory`, or for a .tx the texture's writer.
std::unique_ptr<ImageWriter> LibraryOpenWriter(const std::string& path,
                                               std::vector<unsigned char>* memory,
                                               const ImageLayout& layout,
                                               const ImageEncoding& encoding);
