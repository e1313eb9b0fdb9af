// Microphone permission on a desktop without prompts: access is granted when
// a capture stream can be opened on the default source right now. A server
// without any input device refuses nothing: the audio engine then says that
// there is no microphone.

#include "platform/MicrophoneAuthorization.h"

#include "PulseCapture.h"

#include <stdexcept>

namespace {

class PulseMicrophoneAuthorization : public MicrophoneAuthorization
{
public:
    AuthorizationStatus authorizationStatus() override
    {
        // A short probe: an unreachable or silent server answers "denied" quickly.
        try {
            PulseCapture probe;
            probe.start(1024, [](const float *, std::size_t, const PulseCapture::Format &) {},
                        [](const std::string &) {}, std::chrono::milliseconds(1500));
            probe.stop();
            return AuthorizationStatus::authorized;
        } catch (const PulseCapture::NoInputDevice &) {
            return AuthorizationStatus::authorized;
        } catch (const std::exception &) {
            return AuthorizationStatus::denied;
        }
    }

    // There is no one to ask: the answer is the probe's.
    void requestAccess(std::function<void(bool granted)> completion) override
    {
        completion(authorizationStatus() == AuthorizationStatus::authorized);
    }
};

} // namespace

std::shared_ptr<MicrophoneAuthorization> defaultMicrophoneAuthorization()
{
    return std::make_shared<PulseMicrophoneAuthorization>();
}
