// Opening, reading and saving a dictionary of a million words, against the raw file operations
// that bound them, and the peak memory of a process that holds that dictionary open. Before each
// timed operation other work evicts the processor's caches, as after a person's pause; the file
// itself stays in the system's page cache, for the raw operations as for ours. Every iteration
// times the raw operation just before ours, so that on a shared machine both meet the same load,
// and the ratios are taken from these pairs.
//
// bench_dictionary              runs the benchmarks, then prints the ratios against their targets
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
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kWords = 1000000;
constexpr int kEdits = 1000;

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

// Other work between two actions of a person takes the processor's caches.
void evictCaches()
{
    static std::vector<char> otherWork(64 << 20);
    for (size_t i = 0; i < otherWork.size(); i += 64)
        ++otherWork[i];
    benchmark::DoNotOptimize(otherWork.data());
}

// Seconds of each operation and of the raw operation timed beside it, summed over the run.
struct Pair
{
    double measured = 0;
    double bound = 0;
    int count = 0;
};
std::map<std::string, Pair> g_pairs;

double secondsOf(const std::function<bool()>& operation, bool& ok)
{
    evictCaches();
    QElapsedTimer timer;
    timer.start();
    ok = operation() && ok;
    return timer.nsecsElapsed() / 1e9;
}

// What any program pays to have the file's bytes in memory.
bool rawRead()
{
    QFile file(sample().file);
    return file.open(QIODevice::ReadOnly) && file.readAll().size() == sample().bytes.size();
}

bool rawDurableWrite()
{
    QSaveFile file(sample().dir.filePath("raw.dyb"));
    return file.open(QIODevice::WriteOnly) && file.write(sample().bytes) == sample().bytes.size() &&
           file.commit();
}

// One iteration: the raw operation and ours, one after the other, each first in every other
// iteration; the iteration's time is that of ours alone.
void timePair(benchmark::State& state, const char* name, const std::function<bool()>& raw,
              const std::function<bool()>& operation)
{
    bool ok = true;
    static int pairs = 0;
    const bool rawFirst = ++pairs % 2 == 0;
    const double first = secondsOf(rawFirst ? raw : operation, ok);
    const double second = secondsOf(rawFirst ? operation : raw, ok);
    const double bound = rawFirst ? first : second, measured = rawFirst ? second : first;
    if (!ok)
        state.SkipWithError("an operation failed");
    state.SetIterationTime(measured);
    g_pairs[name].measured += measured;
    g_pairs[name].bound += bound;
    g_pairs[name].count += 1;
}

void OpenDictionary(benchmark::State& state)
{
    for (auto _ : state) {
        clsDictionary d; // a fresh document; building and destroying it is not timed
        timePair(state, "OpenDictionary", rawRead,
                 [&d] { return d.OpenDictionary(sample().file) == 0; });
    }
}

// Every word and every description read once, as a caller that reads everything would.
void ReadEverything(benchmark::State& state)
{
    clsDictionary d;
    if (d.OpenDictionary(sample().file) != 0)
        state.SkipWithError("cannot open the sample");
    for (auto _ : state) {
        timePair(state, "ReadEverything", rawRead, [&d] {
            qsizetype characters = 0;
            for (qint32 i = 0; i <= d.WordCount(); ++i)
                characters += d.WordName(i).size() + d.WordDescription(i).size();
            return characters > 0;
        });
    }
}

void timeSaves(benchmark::State& state, const char* name, clsDictionary& d)
{
    const QString target = sample().dir.filePath("saved.dyb");
    for (auto _ : state)
        timePair(state, name, rawDurableWrite, [&] { return d.SaveDictionary(target) == 0; });
}

void SaveDictionary(benchmark::State& state)
{
    clsDictionary d;
    if (d.OpenDictionary(sample().file) != 0)
        state.SkipWithError("cannot open the sample");
    timeSaves(state, "SaveDictionary", d);
}

// The dictionary as opened, then 1,000 changes spread over it: words and descriptions changed,
// words added at the end and words deleted.
void SaveEditedDictionary(benchmark::State& state)
{
    clsDictionary d;
    if (d.OpenDictionary(sample().file) != 0)
        state.SkipWithError("cannot open the sample");
    for (int edit = 0; edit < kEdits; ++edit) {
        const qint32 at = qint32(qint64(edit) * d.WordCount() / kEdits);
        switch (edit % 4) {
        case 0:
            d.setWordName(at, QStringLiteral("renamed %1").arg(edit));
            break;
        case 1:
            d.setWordDescription(at, QStringLiteral("described anew, %1").arg(edit));
            break;
        case 2:
            d.AddWord(QStringLiteral("added %1").arg(edit), QStringLiteral("an added word"));
            break;
        default:
            d.DeleteWord(at);
        }
    }
    timeSaves(state, "SaveEditedDictionary", d);
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

double g_memoryPerFile = 0; // the increase of the peak over the file's size

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
    g_memoryPerFile = (peak - before) / fileKb;
    state.counters["file_MB"] = fileKb / 1024;
    state.counters["peak_MB"] = peak / 1024.0;
    state.counters["increase_per_file"] = g_memoryPerFile;
}

void printRatio(const char* measured, const char* bound, double target)
{
    const Pair& pair = g_pairs[measured];
    if (pair.bound <= 0)
        return;
    const double ratio = pair.measured / pair.bound;
    const double iterations = pair.count;
    std::printf("%-20s %6.1f ms / %-15s %6.1f ms = %5.2f (target <= %.1f)%s\n", measured,
                1000 * pair.measured / iterations, bound, 1000 * pair.bound / iterations, ratio,
                target, ratio <= target ? "" : "  MISSED");
}

} // namespace

BENCHMARK(OpenDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(ReadEverything)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(SaveDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(SaveEditedDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return reportMemory(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    sample(); // written before anything is timed
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nA million words, each operation with the caches evicted first:\n");
    printRatio("OpenDictionary", "RawRead", 2);
    printRatio("ReadEverything", "RawRead", 3);
    printRatio("SaveDictionary", "RawDurableWrite", 1.5);
    printRatio("SaveEditedDictionary", "RawDurableWrite", 1.5);
    if (g_memoryPerFile > 0)
        std::printf("%-62s = %5.2f (target <= 2.0)%s\n", "Peak memory increase / file size",
                    g_memoryPerFile, g_memoryPerFile <= 2 ? "" : "  MISSED");
    benchmark::Shutdown();
    return 0;
}
