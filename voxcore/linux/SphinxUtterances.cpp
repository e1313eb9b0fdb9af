#include "SphinxUtterances.h"

#include <pocketsphinx.h>
#include <sphinxbase/cmd_ln.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/feat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace {

// Every stream starts from the model's initial cepstral mean ("-cmninit"): the decoder would
// otherwise carry the last stream's estimate over, and the same audio would decode differently
// depending on what was decoded before it.
void resetCepstralMean(ps_decoder_t *decoder)
{
    feat_t *features = ps_get_feat(decoder);
    if (!features || !features->cmn_struct)
        return;
    std::vector<mfcc_t> mean(static_cast<std::size_t>(features->cmn_struct->veclen), 0);
    const char *initial = cmd_ln_str_r(ps_get_config(decoder), "-cmninit");
    std::size_t index = 0;
    for (const char *at = initial; at && *at && index < mean.size(); ++index) {
        char *end = nullptr;
        mean[index] = static_cast<mfcc_t>(std::strtod(at, &end));
        if (end == at)
            break;
        at = (*end == ',') ? end + 1 : end;
    }
    cmn_live_set(features->cmn_struct, mean.data());
}

} // namespace

SphinxUtterances::SphinxUtterances(ps_decoder_s *decoder) : m_decoder(decoder)
{
    resetCepstralMean(m_decoder);
    if (ps_start_utt(m_decoder) < 0)
        throw std::runtime_error("The speech decoder cannot start an utterance");
    m_open = true;
}

SphinxUtterances::~SphinxUtterances()
{
    if (m_open)
        ps_end_utt(m_decoder);
}

void SphinxUtterances::process(const std::int16_t *samples, std::size_t count)
{
    if (!m_open)
        throw std::runtime_error("Audio arrived after the end of recognition");
    m_pending.insert(m_pending.end(), samples, samples + count);
    std::size_t offset = 0;
    for (; m_pending.size() - offset >= stepSize; offset += stepSize)
        decodeStep(m_pending.data() + offset, stepSize);
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(offset));
}

void SphinxUtterances::decodeStep(const std::int16_t *samples, std::size_t count)
{
    if (!m_open)
        throw std::runtime_error("Audio arrived after the end of recognition");
    if (ps_process_raw(m_decoder, samples, count, FALSE, FALSE) < 0)
        throw std::runtime_error("The speech decoder failed to process audio");
    const bool inSpeech = ps_get_in_speech(m_decoder);
    if (inSpeech)
        m_inSpeech = true;
    if (m_inSpeech && !inSpeech) {
        // End of speech: close this utterance and open the next one.
        endUtterance();
        if (ps_start_utt(m_decoder) < 0)
            throw std::runtime_error("The speech decoder cannot start an utterance");
        m_open = true;
        return;
    }
    const char *hypothesis = ps_get_hyp(m_decoder, nullptr);
    m_current = hypothesis ? hypothesis : "";
}

void SphinxUtterances::finish()
{
    if (!m_pending.empty() && m_open)
        decodeStep(m_pending.data(), m_pending.size());
    m_pending.clear();
    if (m_open)
        endUtterance();
}

void SphinxUtterances::endUtterance()
{
    ps_end_utt(m_decoder);
    m_open = false;
    m_inSpeech = false;
    const char *hypothesis = ps_get_hyp(m_decoder, nullptr);
    std::string text = hypothesis ? hypothesis : "";
    if (!text.empty())
        m_finished.push_back(std::move(text));
    m_current.clear();
}

std::string SphinxUtterances::transcript() const
{
    // One utterance per line: the formatting of the words needs to know where they end
    // ("scratch that" removes the last one).
    std::string text;
    for (const auto &utterance : m_finished) {
        if (!text.empty())
            text += '\n';
        text += utterance;
    }
    if (!m_current.empty()) {
        if (!text.empty())
            text += '\n';
        text += m_current;
    }
    return text;
}

void floatToInt16(const float *samples, std::size_t count, std::vector<std::int16_t> &out)
{
    const std::size_t start = out.size();
    out.resize(start + count);
    for (std::size_t i = 0; i < count; ++i) {
        const float scaled = std::nearbyint(samples[i] * 32768.0f);
        out[start + i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
    }
}
