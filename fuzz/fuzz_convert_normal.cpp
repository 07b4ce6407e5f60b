// The fast conversion to normal style, whole and in parts, must give exactly what the
// step-by-step one gives.
#include "support/naiveconversion.h"
#include "convert/styleconversion.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace wimblet;
    fuzz::checkConversion({"toNormalStyle", &toNormalStyle, &detail::toNormalStyleInParts,
                           &naive::toNormalStyle},
                          data, size);
    return 0;
}
