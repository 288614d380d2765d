// One rebuild of the main window's word list with a million words: a word renamed in the
// document, through to the list showing item 0 and its description on screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>

#include "clsDictionary.h"
#include "frmMain.h"

namespace {

constexpr int kWords = 1000000;

QString makeDictionaryFile(const QTemporaryDir& folder)
{
    clsDictionary source;
    for (int i = 0; i < kWords; ++i)
        source.AddWord(QStringLiteral("word%1").arg(i, 7, 10, QLatin1Char('0')),
                       QString(50, QLatin1Char('d')));
    const QString file = folder.filePath(QStringLiteral("million.dyb"));
    if (source.SaveDictionary(file) != 0)
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

void BM_RebuildWordList(benchmark::State& state)
{
    QTemporaryDir folder;
    frmMain window;
    window.show();
    if (window.Dictionary->OpenDictionary(makeDictionaryFile(folder)) != 0)
        state.SkipWithError("cannot open the dictionary");
    QApplication::processEvents();
    auto* list = window.findChild<QComboBox*>(QStringLiteral("cmbWord"));

    int round = 0;
    for (auto _ : state) {
        window.Dictionary->setWordName(0, QStringLiteral("renamed%1").arg(++round));
        QApplication::processEvents();
        benchmark::DoNotOptimize(list->currentIndex());
        // The old list is let go on a pool thread; one user action is measured at a time.
        state.PauseTiming();
        QThreadPool::globalInstance()->waitForDone();
        state.ResumeTiming();
    }
    state.counters["words"] = list->count();
}
BENCHMARK(BM_RebuildWordList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The one-item-at-a-time fill that the model replaces, for comparison.
void BM_AddItemLoop(benchmark::State& state)
{
    QStringList words;
    for (int i = 0; i < kWords; ++i)
        words.append(QStringLiteral("word%1").arg(i, 7, 10, QLatin1Char('0')));
    QComboBox list;
    for (auto _ : state) {
        list.clear();
        for (const QString& word : words)
            list.addItem(word);
        list.setCurrentIndex(0);
    }
}
BENCHMARK(BM_AddItemLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
