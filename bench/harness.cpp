#include "harness.h"

#include "support/sampletext.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

namespace {
int g_misses = 0;
}

std::vector<Suite> &registry()
{
    static std::vector<Suite> suites;
    return suites;
}

double bestOf(int repeats, const std::function<void()> &work)
{
    double best = 1e100;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

QByteArray sampleOfSize(qsizetype bytes)
{
    return wimblet::testsupport::sampleTextBytes(bytes);
}

void reportRatio(const char *what, double numerator, double denominator, double limit, bool atMost)
{
    const double ratio = numerator / denominator;
    const bool ok = atMost ? ratio <= limit : ratio >= limit;
    if (!ok)
        ++g_misses;
    std::printf("  %-58s %8.3f s / %8.3f s = %7.2f  (target %s %.1f) %s\n", what, numerator,
                denominator, ratio, atMost ? "<=" : ">=", limit, ok ? "ok" : "MISSED");
    std::fflush(stdout);
}

void reportRatioMicros(const char *what, double numerator, double denominator, double limit)
{
    const double ratio = numerator / denominator;
    const bool ok = ratio <= limit;
    if (!ok)
        ++g_misses;
    std::printf("  %-58s %7.3f us / %7.3f us = %6.2f  (target <= %.1f) %s\n", what,
                numerator * 1e6, denominator * 1e6, ratio, limit, ok ? "ok" : "MISSED");
    std::fflush(stdout);
}

void reportRatioIn(const char *what, double numerator, double denominator, double limit,
                   const char *unit)
{
    const double ratio = numerator / denominator;
    const bool ok = ratio <= limit;
    if (!ok)
        ++g_misses;
    std::printf("  %-58s %8.1f %s / %8.1f %s = %6.2f  (target <= %.1f) %s\n", what, numerator,
                unit, denominator, unit, ratio, limit, ok ? "ok" : "MISSED");
    std::fflush(stdout);
}

void reportRatioOnly(const char *what, double numerator, double denominator)
{
    std::printf("  %-58s %8.3f s / %8.3f s = %7.2f  (for comparison)\n", what, numerator,
                denominator, numerator / denominator);
    std::fflush(stdout);
}

void reportAtMost(const char *what, double value, double limit, const char *unit)
{
    // A zero is a measurement that failed, unless nothing at all is the target.
    const bool ok = value <= limit && (value > 0 || (limit == 0 && value == 0));
    if (!ok)
        ++g_misses;
    std::printf("  %-58s %8.1f %s  (target <= %.0f %s) %s\n", what, value, unit, limit, unit,
                ok ? "ok" : "MISSED");
    std::fflush(stdout);
}

void reportTime(const char *what, double seconds)
{
    std::printf("  %-58s %8.4f s\n", what, seconds);
    std::fflush(stdout);
}

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "wimblet-bench";
    static char *argv[] = {name, nullptr};
    // Never destroyed: widgets of the suites may outlive main's scope.
    new QApplication(argc, argv);
}

double bareSetPlainText(const QString &text)
{
    ensureApplication();
    return bestOf(3, [&] {
        QPlainTextEdit edit;
        edit.resize(681, 403);
        edit.show();
        edit.setPlainText(text);
        QCoreApplication::processEvents();
    });
}

int misses()
{
    return g_misses;
}

} // namespace bench

int main(int argc, char **argv)
{
    const char *only = argc > 1 ? argv[1] : nullptr;
    for (const bench::Suite &suite : bench::registry()) {
        if (only && !std::strstr(suite.name, only))
            continue;
        std::printf("%s\n", suite.name);
        suite.run();
    }
    std::printf("%d target(s) missed\n", bench::misses());
    std::fflush(stdout);
    // Skip static teardown: Qt's globals and the shared application may not outlive it.
    std::_Exit(0);
}
