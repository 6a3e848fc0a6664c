// OpenImageIO as the tool uses it; called before any image is read or written.
#pragma once

// Keeps the library to the calling thread (the tool's own threads do the parallel work, and
// a pool of the library's would run unseen by them) and its error messages short. Safe to
// call from any thread, any number of times.
void PrepareImageLibrary();
