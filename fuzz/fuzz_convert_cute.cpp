// The fast conversion to Cute Style must give exactly what the step-by-step one gives.
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
    return 0;
}
