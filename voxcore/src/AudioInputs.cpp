#include <voxcore/AudioInputs.h>

#include "MainThread.h"
#include "platform/AudioInputList.h"

#include <QPointer>

std::optional<QList<AudioInput>> audioInputs()
{
    return defaultAudioInputList()->inputs();
}

struct AudioInputWatcher::Watch
{
    std::unique_ptr<AudioInputList::Watch> handle;
};

AudioInputWatcher::AudioInputWatcher(QObject *parent) : QObject(parent)
{
    // The server reports on its own thread; a burst of events (a device brings a sink and its
    // monitor) arrives as separate calls, each a cheap signal here.
    QPointer<AudioInputWatcher> self(this);
    auto handle = defaultAudioInputList()->watch([self] {
        postToMainThread([self] {
            if (self)
                emit self->inputsChanged();
        });
    });
    if (handle)
        m_watch = std::make_unique<Watch>(Watch{std::move(handle)});
}

AudioInputWatcher::~AudioInputWatcher() = default;
