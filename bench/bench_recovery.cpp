// The recovery copy of a million-word dictionary, measured as a person meets it: words are added
// and edited in the main window, each change after a short pause in which the processor's caches
// are evicted, while the copy follows in the background.
//
//   Edit              one change (a word added, or a description edited), until the list and
//                     the description show it; a change while a copy is being written pays for
//                     parting the document's words from the snapshot's, the copy's share of it
//   HeldUp            the longest the window's thread is busy with anything at all between two
//                     changes: the copy's timer taking its snapshot and starting the writer, the
//                     writer's end
//   ChangeToDisk      from the first change after a copy until the copy that holds it is on disk
//   Write             one write of the copy, on the window's thread as at the end of a session
//
// The targets are printed after the run: no hold-up longer than one frame (16 ms).
#include "EvictCaches.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "RecoveryCopy.h"
#include "clsDictionary.h"
#include "frmMain.h"

namespace {

constexpr int kWords = 1000000;
constexpr int kChanges = 60;

QString wordAt(int i)
{
    return QStringLiteral("word%1").arg(i, 7, 10, QLatin1Char('0'));
}

const QString& dictionaryFile()
{
    static QTemporaryDir folder;
    static const QString file = [] {
        clsDictionary source;
        for (int i = 0; i < kWords; ++i)
            source.AddWord(wordAt(i), QStringLiteral("The meaning of ") + wordAt(i));
        const QString path = folder.filePath(QStringLiteral("million.dyb"));
        if (source.SaveDictionary(path) != 0)
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }();
    return file;
}

struct Figures
{
    std::vector<double> edits, heldUp, changeToDisk, writes;
};

double longest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

double mean(const std::vector<double>& values)
{
    double sum = 0;
    for (const double value : values)
        sum += value;
    return values.empty() ? 0 : sum / values.size();
}

Figures g_figures;

// The window idles for a person's pause; returns the longest single round of its event loop.
double idle(int milliseconds)
{
    double longestRound = 0;
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < milliseconds) {
        QElapsedTimer round;
        round.start();
        QApplication::processEvents(QEventLoop::AllEvents);
        longestRound = std::max(longestRound, round.nsecsElapsed() / 1e6);
        QThread::msleep(1);
    }
    return longestRound;
}

void RecoveryCopyWhileEditing(benchmark::State& state)
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    for (auto _ : state) {
        frmMain window;
        window.show();
        if (window.Dictionary->OpenDictionary(dictionaryFile()) != 0)
            state.SkipWithError("cannot open the dictionary");
        auto* copy = window.findChild<RecoveryCopy*>();
        QElapsedTimer sinceFirstChange;
        QObject::connect(copy, &RecoveryCopy::written, [&](bool ok) {
            if (!ok)
                state.SkipWithError("the copy was not written");
            g_figures.changeToDisk.push_back(sinceFirstChange.nsecsElapsed() / 1e6);
            sinceFirstChange.invalidate();
        });
        idle(300);
        for (int change = 0; change < kChanges; ++change) {
            g_figures.heldUp.push_back(idle(250));
            evictCaches();
            QElapsedTimer edit;
            edit.start();
            if (change % 2 == 0)
                window.Dictionary->AddWord(wordAt(kWords + change), QStringLiteral("added"));
            else
                window.Dictionary->setWordDescription(change * 9973 % kWords,
                                                      QStringLiteral("edited"));
            QApplication::processEvents();
            g_figures.edits.push_back(edit.nsecsElapsed() / 1e6);
            if (!sinceFirstChange.isValid())
                sinceFirstChange.start();
        }
        idle(RecoveryCopy::kDelayMs + 3000); // the last copy
        for (int write = 0; write < 3; ++write) {
            evictCaches();
            QElapsedTimer timer;
            timer.start();
            if (!window.keepUnsavedChanges())
                state.SkipWithError("the copy was not written");
            g_figures.writes.push_back(timer.nsecsElapsed() / 1e6);
        }
        window.Dictionary->setDictionaryChanged(false);
    }
    state.counters["held_up_ms"] = longest(g_figures.heldUp);
    state.counters["edit_ms"] = longest(g_figures.edits);
    state.counters["change_to_disk_ms"] = longest(g_figures.changeToDisk);
}
BENCHMARK(RecoveryCopyWhileEditing)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexivault"));
    benchmark::Initialize(&argc, argv);
    dictionaryFile();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Figures& f = g_figures;
    std::printf("\nA million words, %d changes a quarter of a second apart, the copy written %zu "
                "times:\n",
                kChanges, f.writes.size());
    std::printf("  %-44s %8.2f ms (target 16 ms)\n", "longest hold-up of the window between changes",
                longest(f.heldUp));
    std::printf("  %-44s %8.2f ms mean, %8.2f ms longest\n", "any change", mean(f.edits),
                longest(f.edits));
    std::printf("  %-44s %8.0f ms mean, %8.0f ms longest (target 5000 ms)\n",
                "from a change until its copy is on disk", mean(f.changeToDisk),
                longest(f.changeToDisk));
    std::printf("  %-44s %8.0f ms mean\n", "one write of the copy", mean(f.writes));
    return 0;
}
