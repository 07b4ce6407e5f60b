#pragma once
// Counting and finding CR LF line breaks in a stretch of UTF-16 text.

#include <QtGlobal>

namespace wimblet::crlf {

// Number of CR LF pairs lying wholly inside `text[0, length)`.
qint64 countBreaks(const char16_t *text, qint64 length);

// Index of the LF of the `nth` (1-based) CR LF pair wholly inside `text[0, length)`,
// or -1 when there are fewer.
qint64 findBreak(const char16_t *text, qint64 length, qint64 nth);

// As findBreak(), counting the pairs from the end.
qint64 findBreakFromEnd(const char16_t *text, qint64 length, qint64 nth);

} // namespace wimblet::crlf
