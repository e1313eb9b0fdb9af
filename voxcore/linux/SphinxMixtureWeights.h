#pragma once

#include <filesystem>

// The Debian acoustic models ship their mixture weights only as PocketSphinx's quantized
// "sendump"; the training tools read the float "mixture_weights" file. Each byte q of a
// sendump is -log(weight) in base 1.0001, shifted right by 10 bits; this writes the weights
// back (1.0001^-(q << 10)), which the training tools' own dump (with a floor of 1e-7)
// turns into the same bytes. Throws std::runtime_error when the sendump is not one.
void writeMixtureWeightsFromSendump(const std::filesystem::path &sendump, const std::filesystem::path &mixtureWeights);
