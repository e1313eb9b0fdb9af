#include "MicrophoneAccess.h"

#include "async/AwaitCallback.h"
#include "platform/MicrophoneAuthorization.h"

#include <QThreadPool>

QCoro::Task<AuthorizationStatus> microphoneAuthorizationStatus(std::shared_ptr<MicrophoneAuthorization> microphone)
{
    std::function<void(std::function<void(AuthorizationStatus)>)> ask =
        [microphone](std::function<void(AuthorizationStatus)> done) {
            QThreadPool::globalInstance()->start([microphone, done] { done(microphone->authorizationStatus()); });
        };
    return awaitCallback<AuthorizationStatus>(std::move(ask), AuthorizationStatus::denied);
}

QCoro::Task<bool> askForMicrophoneAccess(std::shared_ptr<MicrophoneAuthorization> microphone)
{
    std::function<void(std::function<void(bool)>)> ask = [microphone](std::function<void(bool)> done) {
        QThreadPool::globalInstance()->start([microphone, done] { microphone->requestAccess(done); });
    };
    return awaitCallback<bool>(std::move(ask), false);
}
