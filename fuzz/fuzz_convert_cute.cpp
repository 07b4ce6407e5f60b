// The fast conversion to Cute Style, whole and in parts, must give exactly what the
// step-by-step one gives.
#include "convert/naiveconversion.h"
#include "convert/styleconversion.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace wimblet;
    const QString text = fuzz::textForConversion(data, size);
    const QString fast = toCuteStyle(text);
    const QString stepByStep = naive::toCuteStyle(text);
    if (fast != stepByStep) {
        fuzz::failTextDifference("toCuteStyle differs from naive::toCuteStyle",
                                 QByteArrayView(reinterpret_cast<const char *>(data),
                                                qsizetype(size)),
                                 stepByStep, fast);
    }
    // Large texts are converted in parts on several threads; small parts reach the joins.
    const int parts = 2 + int(size % 5);
    const qsizetype minPartSize = 1 + qsizetype(size % 13);
    const QString inParts = detail::toCuteStyleInParts(text, parts, minPartSize);
    if (inParts != stepByStep) {
        fuzz::failTextDifference("toCuteStyleInParts differs from naive::toCuteStyle",
                                 QByteArrayView(reinterpret_cast<const char *>(data),
                                                qsizetype(size)),
                                 stepByStep, inParts);
    }
    return 0;
}
