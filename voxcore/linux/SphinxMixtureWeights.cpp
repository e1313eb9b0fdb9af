#include "SphinxMixtureWeights.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kScoreShift = 10;
constexpr double kLogBase = 1.0001;
constexpr std::int32_t kByteOrderMagic = 0x11223344;

struct SendumpReader
{
    std::vector<char> bytes;
    std::size_t offset = 0;

    std::int32_t int32()
    {
        if (offset + 4 > bytes.size())
            throw std::runtime_error("truncated");
        std::int32_t value;
        std::memcpy(&value, bytes.data() + offset, 4);
        offset += 4;
        return value;
    }
    std::string text(std::int32_t length)
    {
        if (length < 0 || offset + std::size_t(length) > bytes.size())
            throw std::runtime_error("truncated");
        std::string value(bytes.data() + offset, std::size_t(length));
        offset += std::size_t(length);
        return value;
    }
};

void writeInt32(std::ofstream &out, std::int32_t value) { out.write(reinterpret_cast<const char *>(&value), 4); }

} // namespace

void writeMixtureWeightsFromSendump(const std::filesystem::path &sendump, const std::filesystem::path &mixtureWeights)
{
    std::ifstream in(sendump, std::ios::binary);
    if (!in)
        throw std::runtime_error("Cannot read " + sendump.string());
    SendumpReader reader{std::vector<char>(std::istreambuf_iterator<char>(in), {})};
    int features = 1;
    std::int32_t densities = 0, senones = 0;
    try {
        // Header: length-prefixed strings up to a zero length; some name counts.
        for (std::int32_t length = reader.int32(); length != 0; length = reader.int32()) {
            if (length < 0 || length > 999)
                throw std::runtime_error("bad header");
            const std::string line = reader.text(length);
            if (line.rfind("feature_count ", 0) == 0)
                features = std::stoi(line.substr(14));
            if (line.rfind("cluster_count ", 0) == 0 && std::stoi(line.substr(14)) != 0)
                throw std::runtime_error("clustered weights are not supported");
        }
        densities = reader.int32();
        senones = reader.int32();
    } catch (const std::exception &error) {
        throw std::runtime_error("Not a senone dump: " + sendump.string() + " (" + error.what() + ")");
    }
    const std::size_t count = std::size_t(features) * std::size_t(densities) * std::size_t(senones);
    if (features < 1 || densities < 1 || senones < 1 || reader.bytes.size() - reader.offset != count)
        throw std::runtime_error("Senone dump " + sendump.string() + " has the wrong size");

    // Stored as [feature][density][senone]; the weights file is [senone][feature][density].
    const unsigned char *quantized = reinterpret_cast<const unsigned char *>(reader.bytes.data() + reader.offset);
    std::vector<float> weights(count);
    const double step = -std::log(kLogBase) * double(1 << kScoreShift);
    for (std::size_t f = 0; f < std::size_t(features); ++f)
        for (std::size_t d = 0; d < std::size_t(densities); ++d)
            for (std::size_t s = 0; s < std::size_t(senones); ++s) {
                const unsigned char q = quantized[(f * densities + d) * senones + s];
                weights[(s * features + f) * densities + d] = float(std::exp(step * q));
            }

    std::ofstream out(mixtureWeights, std::ios::binary | std::ios::trunc);
    const std::string header = "s3\nversion 1.0\nendhdr\n";
    out.write(header.data(), std::streamsize(header.size()));
    writeInt32(out, kByteOrderMagic);
    for (std::int32_t dimension : {senones, std::int32_t(features), densities, std::int32_t(count)})
        writeInt32(out, dimension);
    out.write(reinterpret_cast<const char *>(weights.data()), std::streamsize(weights.size() * sizeof(float)));
    if (!out.flush())
        throw std::runtime_error("Cannot write " + mixtureWeights.string());
}
