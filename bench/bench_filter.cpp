// wimblet-convert as a whole process against `tr 'A-Z' 'a-z'`, the floor for any filter
// that reads, changes and writes every byte: both read the same 100 MB file of generated
// prose and write to a file, turn about, and the medians are compared. Then the filter's
// peak memory on 200 MB, which must not grow with the input.

#include "harness.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
    double peakMiB; // the filter's own high-water mark of resident memory
    bool ok;
};

// VmHWM of a running process in MiB; -1 once it has ended. It belongs to the process's
// own memory map, where getrusage()'s maximum would also count what this benchmark
// process held when it forked the child.
double highWaterMiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return -1;
}

// Starts `argv` reading `input` and writing `output`; -1 when it cannot.
// Returns once the child has replaced its copy of this process's memory: until then
// its high-water mark is this process's own.
pid_t spawn(const std::vector<std::string> &argv, int input, int output)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    int started[2];
    if (::pipe2(started, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (input < 0 || output < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0)
            ::_exit(127);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(started[1]);
    // The write end closes when the child execs or ends.
    char byte;
    while (pid > 0 && ::read(started[0], &byte, 1) < 0 && errno == EINTR) { }
    ::close(started[0]);
    return pid;
}

// Waits for the process to end well. With `peakMiB`, reads its high-water mark until
// then: the mark only rises, so the last reading is within milliseconds of the end.
bool waitFor(pid_t pid, double *peakMiB = nullptr)
{
    int status = 0;
    pid_t waited = 0;
    while (pid > 0 && peakMiB && (waited = ::waitpid(pid, &status, WNOHANG)) == 0) {
        *peakMiB = std::max(*peakMiB, highWaterMiB(pid));
        ::usleep(2000);
    }
    if (pid > 0 && !peakMiB)
        waited = ::waitpid(pid, &status, 0);
    return waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

enum class Input { File, Pipe };

// Runs `argv` with standard input from `in`, or from cat reading `in` through a pipe,
// and standard output to `out`; with `watch`, follows its peak memory.
ProcessRun runProcess(const std::vector<std::string> &argv, const std::string &in,
                      const std::string &out, Input from = Input::File, bool watch = false)
{
    // Every run writes a new file, with the writes of the run before already on disk, so
    // that none of them waits on another's page cache.
    ::unlink(out.c_str());
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    const int file = ::open(in.c_str(), O_RDONLY | O_CLOEXEC);
    const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool piped = from == Input::Pipe;
    int ends[2] = {-1, -1};
    pid_t feeder = -1;
    if (piped && ::pipe2(ends, O_CLOEXEC) == 0)
        feeder = spawn({"cat"}, file, ends[1]);
    const pid_t pid = spawn(argv, piped ? ends[0] : file, output);
    for (const int fd : {file, output, ends[0], ends[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
    double peak = -1;
    bool ok = waitFor(pid, watch ? &peak : nullptr);
    if (piped)
        ok = waitFor(feeder) && ok;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {took.count(), peak, ok};
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

    const ProcessRun fromFile = runProcess({filter, "--cute", big}, "/dev/null", out, Input::File, true);
    // A failed run shows as a miss.
    bench::reportAtMost("peak memory, --cute of a 200 MB file",
                        fromFile.ok ? fromFile.peakMiB : -1, 64, "MiB");
    // Through a pipe the input waits in the spool on disk.
    const ProcessRun fromPipe = runProcess({filter, "--normal"}, big, out, Input::Pipe, true);
    bench::reportAtMost("peak memory, cat 200 MB | --normal",
                        fromPipe.ok ? fromPipe.peakMiB : -1, 64, "MiB");
}
