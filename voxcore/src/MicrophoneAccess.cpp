#include "MicrophoneAccess.h"

#include "async/AwaitCallback.h"
#include "platform/MicrophoneAuthorization.h"

QCoro::Task<bool> askForMicrophoneAccess(std::shared_ptr<MicrophoneAuthorization> microphone)
{
    std::function<void(std::function<void(bool)>)> ask = [microphone](std::function<void(bool)> done) {
        microphone->requestAccess(std::move(done));
    };
    return awaitCallback<bool>(std::move(ask), false);
}
