// Opening and saving a dictionary of a million words, against the raw file operations that
// bound them, and the peak memory of a process that holds that dictionary open.
//
// bench_dictionary              runs the benchmarks, then prints the two time ratios
// bench_dictionary --memory F   opens F in this fresh process and prints its resident memory
#include "clsDictionary.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

constexpr int kWords = 1000000;

// The dictionary under test, generated once per run in a temporary folder.
struct Sample
{
    QTemporaryDir dir;
    QString file = dir.filePath("sample.dyb");
    QByteArray bytes;

    Sample()
    {
        clsDictionary d;
        for (int i = 0; i < kWords; ++i) {
            const QString word = QString::asprintf("word%07d", i);
            d.AddWord(word, ("The meaning of " + word).leftJustified(50, '.'));
        }
        if (d.SaveDictionary(file) != 0)
            qFatal("cannot write %s", qPrintable(file));
        QFile saved(file);
        if (!saved.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file));
        bytes = saved.readAll();
    }
};

const Sample& sample()
{
    static const Sample s;
    return s;
}

// Total seconds and iterations per benchmark, for the ratios printed after the run.
std::map<std::string, std::pair<double, int>> g_totals;

// Ends one iteration: its time is that of the timed operation alone.
void lap(benchmark::State& state, const char* name, const QElapsedTimer& timer, bool ok)
{
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!ok)
        state.SkipWithError("the operation failed");
    state.SetIterationTime(seconds);
    g_totals[name].first += seconds;
    g_totals[name].second += 1;
}

void RawRead(benchmark::State& state)
{
    const Sample& s = sample();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QFile file(s.file);
        const bool ok = file.open(QIODevice::ReadOnly) && file.readAll().size() == s.bytes.size();
        lap(state, "RawRead", timer, ok);
    }
}

void OpenDictionary(benchmark::State& state)
{
    const Sample& s = sample();
    for (auto _ : state) {
        clsDictionary d; // a fresh document; building and destroying it is not timed
        QElapsedTimer timer;
        timer.start();
        const bool ok = d.OpenDictionary(s.file) == 0;
        lap(state, "OpenDictionary", timer, ok);
    }
}

void RawDurableWrite(benchmark::State& state)
{
    const Sample& s = sample();
    const QString target = s.dir.filePath("raw.dyb");
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QSaveFile file(target);
        const bool ok = file.open(QIODevice::WriteOnly) && file.write(s.bytes) == s.bytes.size() &&
                        file.commit();
        lap(state, "RawDurableWrite", timer, ok);
    }
}

void SaveDictionary(benchmark::State& state)
{
    const Sample& s = sample();
    clsDictionary d;
    if (d.OpenDictionary(s.file) != 0)
        state.SkipWithError("cannot open the sample");
    const QString target = s.dir.filePath("saved.dyb");
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = d.SaveDictionary(target) == 0;
        lap(state, "SaveDictionary", timer, ok);
    }
}

// Reads a "Name:  123 kB" line of /proc/self/status, in kB.
long statusKb(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

int reportMemory(const char* file)
{
    const long before = statusKb("VmRSS:");
    clsDictionary d;
    if (d.OpenDictionary(QString::fromLocal8Bit(file)) != 0)
        return 1;
    std::printf("%ld %ld\n", before, statusKb("VmHWM:"));
    return 0;
}

// Opens the sample in a fresh process of this program, so nothing of this run counts.
void PeakMemory(benchmark::State& state)
{
    const Sample& s = sample();
    const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
    long before = 0, peak = 0;
    for (auto _ : state) {
        const QString command = "'" + self + "' --memory '" + s.file + "'";
        FILE* child = popen(qPrintable(command), "r");
        const bool ok = child && std::fscanf(child, "%ld %ld", &before, &peak) == 2;
        const int exitStatus = child ? pclose(child) : -1;
        if (!ok || exitStatus != 0)
            state.SkipWithError("the memory probe failed");
    }
    const double fileKb = s.bytes.size() / 1024.0;
    state.counters["file_MB"] = fileKb / 1024;
    state.counters["peak_MB"] = peak / 1024.0;
    state.counters["peak_per_file"] = peak / fileKb;
    state.counters["increase_per_file"] = (peak - before) / fileKb;
}

void printRatio(const char* measured, const char* bound, double target)
{
    const auto mean = [](const char* name) {
        const auto& total = g_totals[name];
        return total.second ? total.first / total.second : 0.0;
    };
    if (mean(bound) > 0)
        std::printf("%s / %s = %.2f (target <= %.0f)\n", measured, bound,
                    mean(measured) / mean(bound), target);
}

} // namespace

BENCHMARK(RawRead)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(OpenDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(RawDurableWrite)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(SaveDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return reportMemory(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    printRatio("OpenDictionary", "RawRead", 4);
    printRatio("SaveDictionary", "RawDurableWrite", 2);
    benchmark::Shutdown();
    return 0;
}
