#include "support/naiveconversion.h"

#include "convert/replaceall.h"
#include "convert/stylereplacements.h"
#include "convert/textcase.h"

namespace wimblet::naive {

QString toCuteStyle(const QString &text)
{
    QString result = lowerCase(text);
    for (const Replacement &step : CuteStyleReplacements)
        result = replaceAll(result, step.find, step.replacement);
    return result;
}

QString toNormalStyle(const QString &text)
{
    QString result = text;
    for (const Replacement &step : NormalStyleReplacements)
        result = replaceAll(result, step.find, step.replacement);
    return SentenceCase(lowerCase(result));
}

} // namespace wimblet::naive
