#pragma once

#include <voxcore/PcmBuffer.h>

#include <vector>

// Appends the buffer's frames averaged over its channels (either layout).
// A buffer without float data appends nothing.
void appendMono(const PcmBuffer &buffer, std::vector<float> &out);

// Appends the buffer's frames with `channels` channels, interleaved: the
// buffer's own channels when the counts match, else its mono mix repeated.
void appendInterleaved(const PcmBuffer &buffer, unsigned channels, std::vector<float> &out);
