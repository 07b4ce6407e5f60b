#pragma once
// A tiny side-by-side benchmark harness: every suite measures its own
// candidates in one run and prints the ratios that matter.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

namespace bench {

struct Suite {
    const char *name;
    void (*run)();
};

std::vector<Suite> &registry();

struct Registrar {
    Registrar(const char *name, void (*run)()) { registry().push_back({name, run}); }
};

#define WIMBLET_BENCH(fn)                                                    \
    static void fn();                                                        \
    static const ::bench::Registrar fn##_registrar(#fn, &fn);                \
    static void fn()

// Best (minimum) wall time of `repeats` runs of `work`, in seconds.
double bestOf(int repeats, const std::function<void()> &work);

// Generated Indonesian prose (UTF-8 bytes, CR LF lines, some lone LFs) of at least
// `bytes` bytes.
QByteArray sampleOfSize(qsizetype bytes);

// Creates the one QApplication that suites with widgets share (offscreen by default).
void ensureApplication();

// The floor for any editor built on QPlainTextEdit: the best time of setting
// `text` into a bare one of the main window's text area size.
double bareSetPlainText(const QString &text);

// Prints "name: a / b = ratio (target ...)" and remembers a miss.
void reportRatio(const char *what, double numerator, double denominator,
                 double limit, bool atMost = true);
// As reportRatio(), for amounts in `unit` (MiB, say) rather than seconds.
void reportRatioIn(const char *what, double numerator, double denominator, double limit,
                   const char *unit);
// Prints "name: a / b = ratio" with no target.
void reportRatioOnly(const char *what, double numerator, double denominator);
void reportTime(const char *what, double seconds);
// As reportRatio(), for times of single operations, printed in microseconds.
void reportRatioMicros(const char *what, double numerator, double denominator, double limit);
// Prints a measured amount against its upper limit and remembers a miss. A zero counts
// as a failed measurement unless the limit is zero too.
void reportAtMost(const char *what, double value, double limit, const char *unit);
int misses();

} // namespace bench
