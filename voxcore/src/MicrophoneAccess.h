#pragma once

#include "platform/AuthorizationStatus.h"

#include <QCoro/QCoroTask>

#include <memory>

class MicrophoneAuthorization;

// The microphone's authorization status, asked on a worker thread (the question may probe the
// sound server for a while); resumes on the caller's thread with the answer.
QCoro::Task<AuthorizationStatus> microphoneAuthorizationStatus(std::shared_ptr<MicrophoneAuthorization> microphone);

// Asks the user for microphone access, from a worker thread likewise; resumes on the caller's
// thread with the answer.
QCoro::Task<bool> askForMicrophoneAccess(std::shared_ptr<MicrophoneAuthorization> microphone);
