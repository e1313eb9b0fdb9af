#pragma once

#include <memory>

class VoiceAdaptation;

// Speaker adaptation of the installed PocketSphinx models with the CMU Sphinx training
// tools: features, Baum-Welch statistics, an MLLR transform baked into the means, a second
// pass of statistics, then MAP re-estimation.
std::shared_ptr<VoiceAdaptation> makeSphinxVoiceAdaptation();
