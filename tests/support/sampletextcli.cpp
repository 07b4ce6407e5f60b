// Writes the generated sample text to standard output: wimblet-sampletext [bytes] [seed]
#include "support/sampletext.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    using namespace wimblet::testsupport;
    const qsizetype bytes = argc > 1 ? qsizetype(std::strtoll(argv[1], nullptr, 10)) : kSampleBytes;
    const quint32 seed = argc > 2 ? quint32(std::strtoul(argv[2], nullptr, 10)) : kSampleSeed;
    const QByteArray text = sampleTextBytes(bytes, seed);
    return std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size())
               ? 0
               : 1;
}
