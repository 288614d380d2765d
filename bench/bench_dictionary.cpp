// Opening, reading and saving a dictionary of a million words, against the raw file operations
// that bound them, and the peak memory of a process that holds that dictionary open. Before each
// timed operation other work evicts the processor's caches, as after a person's pause; the file
// itself stays in the system's page cache, for the raw operations as for ours. Every iteration
// times the raw operation just before ours, so that on a shared machine both meet the same load,
// and the ratios are taken from these pairs. Memory is measured in fresh processes of this
// program: the peak of an open of the million words, what an open of a small dictionary followed
// by gigabytes of zeros keeps, and what is left after many words were added or changed and then
// deleted again, against what the dictionary still holds.
//
// bench_dictionary              runs the benchmarks, then prints the figures against their targets
// bench_dictionary --memory F   opens F in this fresh process and prints its memory and time
// bench_dictionary --churn [F]  adds and deletes a long word 20,000 times, or with F opens F and
//                               changes and deletes its first word until one is left; prints the
//                               resident memory before and after and the texts still held
#include "clsDictionary.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include "EvictCaches.h"

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
constexpr int kChurnRounds = 20000;
constexpr int kChurnFileWords = 50001;
constexpr qint64 kPadding = qint64(3) << 30;
// What memory may grow by where the dictionary holds next to nothing, in kB.
constexpr double kSmallIncreaseKb = 2048;

QString wordAt(int i)
{
    return QString::asprintf("word%07d", i);
}

QString descriptionOf(const QString& word)
{
    return ("The meaning of " + word).leftJustified(50, '.');
}

// A dictionary of that many words, like those of the sample, saved as file; false when the save
// fails.
bool writeDictionary(const QString& file, int words)
{
    clsDictionary d;
    for (int i = 0; i < words; ++i)
        d.AddWord(wordAt(i), descriptionOf(wordAt(i)));
    return d.SaveDictionary(file) == 0;
}

// The dictionary under test, generated once per run in a temporary folder.
struct Sample
{
    QTemporaryDir dir;
    QString file = dir.filePath("sample.dyb");
    QByteArray bytes;

    Sample()
    {
        if (!writeDictionary(file, kWords))
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

// The process's memory, in kB, from /proc/self/status.
struct Memory
{
    long resident = -1; // VmRSS
    long peak = -1;     // VmHWM, the resident peak
    long mapped = -1;   // VmSize, the address space
};

Memory memoryNow()
{
    Memory memory;
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return memory;
    const auto kb = [](const QByteArray& line, const char* field, long& value) {
        if (line.startsWith(field))
            value = line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    };
    for (const QByteArray& line : status.readAll().split('\n')) {
        kb(line, "VmRSS:", memory.resident);
        kb(line, "VmHWM:", memory.peak);
        kb(line, "VmSize:", memory.mapped);
    }
    return memory;
}

// Prints the memory at the start, the peak, the memory once the document is made, after the open,
// and the time of the open.
int reportMemory(const char* file)
{
    const Memory before = memoryNow();
    clsDictionary d;
    const Memory ready = memoryNow();
    QElapsedTimer timer;
    timer.start();
    if (d.OpenDictionary(QString::fromLocal8Bit(file)) != 0)
        return 1;
    const double ms = timer.nsecsElapsed() / 1e6;
    const Memory after = memoryNow();
    std::printf("%ld %ld %ld %ld %ld %ld %.3f\n", before.resident, after.peak, ready.resident,
                after.resident, ready.mapped, after.mapped, ms);
    return 0;
}

// Bytes of text the dictionary holds, two a character as in memory.
qint64 textBytes(const clsDictionary& d)
{
    qint64 bytes = 0;
    for (qint32 i = 0; i <= d.WordCount(); ++i)
        bytes += 2 * (d.WordName(i).size() + d.WordDescription(i).size());
    return bytes;
}

int reportChurn(const char* file)
{
    clsDictionary d;
    if (!file)
        d.AddWord("kept", "the word that stays");
    else if (d.OpenDictionary(QString::fromLocal8Bit(file)) != 0)
        return 1;
    const Memory before = memoryNow();
    for (int round = 0, rounds = file ? d.WordCount() : kChurnRounds; round < rounds; ++round) {
        const QString description = QString::number(round).leftJustified(5000, '.');
        if (file) {
            d.setWordDescription(0, description);
            d.DeleteWord(0);
        } else {
            d.AddWord("churned", description);
            d.DeleteWord(1);
        }
    }
    const Memory after = memoryNow();
    std::printf("%ld %ld %lld\n", before.resident, after.resident, textBytes(d));
    return d.WordCount() == 0 ? 0 : 1;
}

// Runs this program with the arguments in a fresh process and reads the numbers it prints;
// false when it fails or prints fewer.
bool runChild(const QString& arguments, std::vector<double>& numbers)
{
    const QString self = QFileInfo("/proc/self/exe").symLinkTarget();
    FILE* child = popen(qPrintable("'" + self + "' " + arguments), "r");
    if (!child)
        return false;
    bool ok = true;
    for (double& number : numbers)
        ok = ok && std::fscanf(child, "%lf", &number) == 1;
    return pclose(child) == 0 && ok;
}

double g_memoryPerFile = 0; // the increase of the peak over the file's size

// Opens the sample in a fresh process of this program, so nothing of this run counts.
void PeakMemory(benchmark::State& state)
{
    const Sample& s = sample();
    std::vector<double> numbers(7);
    for (auto _ : state) {
        if (!runChild("--memory '" + s.file + "'", numbers))
            state.SkipWithError("the memory probe failed");
    }
    const double fileKb = s.bytes.size() / 1024.0;
    g_memoryPerFile = (numbers[1] - numbers[0]) / fileKb;
    state.counters["file_MB"] = fileKb / 1024;
    state.counters["peak_MB"] = numbers[1] / 1024;
    state.counters["increase_per_file"] = g_memoryPerFile;
}

// What an open of three words followed by 3 GB of zeros (a sparse file) costs and keeps: its
// time, and the resident memory and address space after it.
struct PaddedOpen
{
    double ms = -1, residentKb = 0, mappedKb = 0;
} g_paddedOpen;

void OpenPaddedDictionary(benchmark::State& state)
{
    const QString file = sample().dir.filePath("padded.dyb");
    QFile padded(file);
    bool ok = writeDictionary(file, 3) && padded.resize(padded.size() + kPadding);
    std::vector<double> numbers(7);
    for (auto _ : state)
        ok = ok && runChild("--memory '" + file + "'", numbers);
    ok = padded.remove() && ok;
    if (!ok) {
        state.SkipWithError("the padded file could not be written, opened or removed");
        return;
    }
    g_paddedOpen = {numbers[6], numbers[3] - numbers[2], numbers[5] - numbers[4]};
    state.counters["open_ms"] = g_paddedOpen.ms;
    state.counters["rss_increase_MB"] = g_paddedOpen.residentKb / 1024;
    state.counters["vmsize_increase_MB"] = g_paddedOpen.mappedKb / 1024;
}

// Resident memory before and after a churn, in kB, and the bytes of text left.
std::map<std::string, std::vector<double>> g_churns;

void runChurn(benchmark::State& state, const char* name, const QString& arguments)
{
    std::vector<double> numbers(3);
    bool ok = true;
    for (auto _ : state)
        ok = ok && runChild(arguments, numbers);
    if (!ok) {
        state.SkipWithError("the churn failed");
        return;
    }
    g_churns[name] = numbers;
    state.counters["rss_before_MB"] = numbers[0] / 1024;
    state.counters["rss_after_MB"] = numbers[1] / 1024;
    state.counters["texts_bytes"] = numbers[2];
}

// 20,000 times a word with a 5,000-character description added and deleted again.
void AddDeleteChurn(benchmark::State& state)
{
    runChurn(state, "AddDeleteChurn", "--churn");
}

// An opened file of 50,001 words whose first word is given a 5,000-character description and
// then deleted, until one word is left.
void EditDeleteChurn(benchmark::State& state)
{
    const QString file = sample().dir.filePath("churn.dyb");
    if (!writeDictionary(file, kChurnFileWords)) {
        state.SkipWithError("cannot write the churn file");
        return;
    }
    runChurn(state, "EditDeleteChurn", "--churn '" + file + "'");
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

// Bytes after the last record cost nothing: neither resident memory nor address space.
void printPaddedOpen()
{
    if (g_paddedOpen.ms < 0)
        return;
    const bool met =
        g_paddedOpen.residentKb <= kSmallIncreaseKb && g_paddedOpen.mappedKb <= kSmallIncreaseKb;
    std::printf("\nOpen of 3 words and 3 GB of zeros: %.1f ms, resident +%.1f MB, address space "
                "+%.1f MB (target <= %.0f MB each)%s\n",
                g_paddedOpen.ms, g_paddedOpen.residentKb / 1024, g_paddedOpen.mappedKb / 1024,
                kSmallIncreaseKb / 1024, met ? "" : "  MISSED");
}

// What deleted words held comes back: the memory after the churn is that before it, give or
// take a small constant.
void printChurn(const char* name, const std::vector<double>& numbers)
{
    const double growth = numbers[1] - numbers[0];
    std::printf("%-20s resident %6.1f MB -> %6.1f MB, %5.0f bytes of texts left: %+7.1f MB "
                "(target <= %+.0f MB)%s\n",
                name, numbers[0] / 1024, numbers[1] / 1024, numbers[2], growth / 1024,
                kSmallIncreaseKb / 1024, growth <= kSmallIncreaseKb ? "" : "  MISSED");
}

} // namespace

BENCHMARK(OpenDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(ReadEverything)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);
BENCHMARK(SaveDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(SaveEditedDictionary)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(OpenPaddedDictionary)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(AddDeleteChurn)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(EditDeleteChurn)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return reportMemory(argv[2]);
    if (argc <= 3 && argc >= 2 && std::strcmp(argv[1], "--churn") == 0)
        return reportChurn(argc == 3 ? argv[2] : nullptr);
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
    printPaddedOpen();
    for (const auto& [name, numbers] : g_churns)
        printChurn(name.c_str(), numbers);
    benchmark::Shutdown();
    return 0;
}
