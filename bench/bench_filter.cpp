// wimblet-convert as a whole process against `tr 'A-Z' 'a-z'`, the floor for any filter
// that reads, changes and writes every byte: both read the same 100 MB file of generated
// prose and write to a file, turn about, and the medians are compared. Then the filter's
// peak memory on 200 MB, which must not grow with the input.

#include "harness.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr qsizetype SampleBytes = qsizetype(100) * 1000 * 1000;
constexpr int Rounds = 7;

struct ProcessRun {
    double seconds;
    double peakMiB; // the child's maximum resident set
    bool ok;
};

// Runs `argv` with standard input from `in` and standard output to `out`.
ProcessRun runProcess(const std::vector<std::string> &argv, const std::string &in,
                      const std::string &out)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    // Every run writes a new file, with the writes of the run before already on disk, so
    // that none of them waits on another's page cache.
    ::unlink(out.c_str());
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int input = ::open(in.c_str(), O_RDONLY);
        const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (input < 0 || output < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0)
            ::_exit(127);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    const bool waited = pid > 0 && ::wait4(pid, &status, 0, &usage) == pid;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const bool ok = waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return {took.count(), double(usage.ru_maxrss) / 1024.0, ok};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void writeFile(const QString &path, const QByteArray &bytes, int copies)
{
    QFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    for (int i = 0; ok && i < copies; ++i)
        ok = file.write(bytes) == bytes.size();
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

} // namespace

WIMBLET_BENCH(filter_process)
{
    QTemporaryDir dir;
    const std::string prose = dir.filePath(QStringLiteral("prose.txt")).toStdString();
    const std::string cute = dir.filePath(QStringLiteral("cute.txt")).toStdString();
    const std::string big = dir.filePath(QStringLiteral("big.txt")).toStdString();
    const std::string out = dir.filePath(QStringLiteral("out.txt")).toStdString();
    {
        const QByteArray sample = bench::sampleOfSize(SampleBytes);
        writeFile(QString::fromStdString(prose), sample, 1);
        writeFile(QString::fromStdString(big), sample, 2);
    }
    const std::string filter = WIMBLET_CONVERT_BINARY;
    if (!runProcess({filter, "--cute"}, prose, cute).ok) {
        std::printf("  wimblet-convert FAILED\n");
        return;
    }

    std::vector<double> tr, toCute, toNormal;
    for (int round = 0; round < Rounds; ++round) {
        tr.push_back(runProcess({"tr", "A-Z", "a-z"}, prose, out).seconds);
        toCute.push_back(runProcess({filter, "--cute", prose}, "/dev/null", out).seconds);
        toNormal.push_back(runProcess({filter, "--normal", cute}, "/dev/null", out).seconds);
    }
    bench::reportRatio("wimblet-convert --cute 100 MB / tr (medians)", median(toCute),
                       median(tr), 4.0);
    bench::reportRatio("wimblet-convert --normal 100 MB / tr (medians)", median(toNormal),
                       median(tr), 4.0);

    // The child's maximum counts what it shared with this process before exec, so this
    // is an upper bound of the filter's own peak.
    const ProcessRun fromFile = runProcess({filter, "--cute", big}, "/dev/null", out);
    // A failed run shows as a miss.
    bench::reportAtMost("peak memory, --cute of a 200 MB file",
                        fromFile.ok ? fromFile.peakMiB : -1, 64, "MiB");
    // Through a pipe the input waits in the spool; the shell's maximum is the largest of
    // its own, cat's and the filter's.
    const ProcessRun fromPipe =
            runProcess({"sh", "-c", "cat \"$0\" | \"$1\" --normal", big, filter}, "/dev/null", out);
    bench::reportAtMost("peak memory, cat 200 MB | --normal",
                        fromPipe.ok ? fromPipe.peakMiB : -1, 64, "MiB");
}
