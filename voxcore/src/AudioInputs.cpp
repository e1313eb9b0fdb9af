#include <voxcore/AudioInputs.h>

#include "platform/AudioInputList.h"

std::optional<QList<AudioInput>> audioInputs()
{
    return defaultAudioInputList()->inputs();
}
