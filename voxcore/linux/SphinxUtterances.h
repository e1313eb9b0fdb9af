#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ps_decoder_s;

// Decodes one audio stream as a series of utterances: an utterance ends where
// the decoder's voice detection hears the end of speech and the next one
// starts, so a long dictation with pauses keeps every sentence. The
// transcript is the finished utterances plus the current hypothesis, one per
// line. The decoder gets the audio in steps of a fixed size whatever pieces it
// arrives in, so live audio and a file of the same audio are split and decoded
// alike.
class SphinxUtterances
{
public:
    // Starts the first utterance; throws std::runtime_error when the decoder refuses.
    explicit SphinxUtterances(ps_decoder_s *decoder);
    // Ends an utterance still open (the decoder is shared and must be left idle).
    ~SphinxUtterances();
    SphinxUtterances(const SphinxUtterances &) = delete;
    SphinxUtterances &operator=(const SphinxUtterances &) = delete;

    // Samples per decoding step (128 ms at 16 kHz).
    static constexpr std::size_t stepSize = 2048;

    // 16 kHz mono samples. Throws std::runtime_error when decoding fails.
    void process(const std::int16_t *samples, std::size_t count);
    // Decodes what is left of the audio and ends the current utterance; the
    // transcript is final afterwards.
    void finish();

    std::string transcript() const;

private:
    void decodeStep(const std::int16_t *samples, std::size_t count);
    void endUtterance();

    ps_decoder_s *m_decoder;
    bool m_open = false;
    bool m_inSpeech = false;
    std::vector<std::string> m_finished;
    std::string m_current;
    std::vector<std::int16_t> m_pending; // less than one step
};

// Float samples (full scale ±1) to 16-bit, exact for values that came from 16-bit.
void floatToInt16(const float *samples, std::size_t count, std::vector<std::int16_t> &out);
