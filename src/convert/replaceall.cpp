#include "convert/replaceall.h"

namespace wimblet {

QString replaceAll(const QString &text, QLatin1StringView find, QLatin1StringView replacement)
{
    QString result(detail::replacedCapacity(text.size(), find, replacement), Qt::Uninitialized);
    const qsizetype written = detail::replaceAllInto(
            reinterpret_cast<const char16_t *>(text.constData()), text.size(), find, replacement,
            reinterpret_cast<char16_t *>(result.data()));
    result.resize(written);
    return result;
}

} // namespace wimblet
