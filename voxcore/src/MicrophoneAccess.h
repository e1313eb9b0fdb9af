#pragma once

#include <QCoro/QCoroTask>

#include <memory>

class MicrophoneAuthorization;

// Asks the user for microphone access; resumes on the caller's thread with the answer.
QCoro::Task<bool> askForMicrophoneAccess(std::shared_ptr<MicrophoneAuthorization> microphone);
