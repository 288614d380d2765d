// The main window's word list at 1,000,000 and at 4,000,000 words, measured as a person meets
// it: every timed action comes after an idle pause in which the processor's caches are evicted,
// and runs until the widgets that show its result have painted.
//
//   DropDownFirstOpen      the drop-down of a new window opened, until its list has painted
//   DropDownOpen           opened again, nothing changed
//   DropDownOpenAfterEdit  opened after a word was renamed
//   RebuildAfterAdd        a word added, until the list shows item 0 and the description box its
//                          description
//   RebuildAfterEdit       the word picked in the middle of the list renamed and described anew,
//                          as Edit writes it
//   RebuildAfterDelete     the word picked in the middle of the list deleted
//   TypeEightLetters       the first eight letters of a word near the end typed into the closed
//                          list, each key until the list has painted the word it jumped to; the
//                          slowest key of each typing is the figure
//   DragThumb              the opened list's scroll-bar thumb dragged from top to bottom, a pixel
//                          a step, each step until the list has painted the words it has come to;
//                          the slowest step of each drag is the figure
//   OpenFile               the file opened in a new window until the list shows its first word,
//                          against its bytes read with QFile::readAll, timed just before or after,
//                          each after a pause of seconds, as a person takes to pick a file
//   PeakMemory             the peak resident memory of a fresh process of this program that opens
//                          the file in its window, over that before the open, against the file's
//                          size
//
// bench_rebuild                 runs the benchmarks, then prints each figure against its target
// bench_rebuild --memory F.dyb  opens F.dyb in a window of this fresh process and prints its
//                               resident memory before the open and its peak after it, in kB
// bench_rebuild --write N F.dyb writes the dictionary of N words that the benchmarks use
#include "EvictCaches.h"

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "clsDictionary.h"
#include "frmMain.h"

namespace {

constexpr int kSizes[] = {1000000, 4000000};
constexpr double kFrameMs = 16;

QString wordAt(int i)
{
    return QStringLiteral("word%1").arg(i, 7, 10, QLatin1Char('0'));
}

// 72 bytes a record, so that four million words make a file of about 290 MB.
QString descriptionOf(int i)
{
    return (QStringLiteral("The meaning of ") + wordAt(i)).leftJustified(57, QLatin1Char('.'));
}

// Writes a dictionary of that many words to file; false when the save fails.
bool writeDictionary(int words, const QString& file)
{
    clsDictionary source;
    for (int i = 0; i < words; ++i)
        source.AddWord(wordAt(i), descriptionOf(i));
    return source.SaveDictionary(file) == 0;
}

// The dictionary of that many words, written once per run by a child process, so that the
// memory this process would take and give back for it does not make later reads cheaper.
const QString& dictionaryFile(int words)
{
    static QTemporaryDir folder;
    static std::map<int, QString> files;
    QString& file = files[words];
    if (file.isEmpty()) {
        file = folder.filePath(QStringLiteral("words%1.dyb").arg(words));
        const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        const QString command =
            QStringLiteral("'%1' --write %2 '%3'").arg(self).arg(words).arg(file);
        if (std::system(qPrintable(command)) != 0)
            qFatal("cannot write %s", qPrintable(file));
    }
    return file;
}

// Counts the paint events a widget receives, so that an action is timed until its result has
// been painted.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int painted = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        painted += event->type() == QEvent::Paint;
        return false;
    }
};

// Processes events until each counter has counted a paint since its mark; false after a second
// without.
bool processUntilPainted(const std::vector<std::pair<PaintCounter*, int>>& marks)
{
    QElapsedTimer timer;
    timer.start();
    const auto painted = [&] {
        return std::all_of(marks.begin(), marks.end(),
                           [](const auto& mark) { return mark.first->painted > mark.second; });
    };
    while (!painted()) {
        if (timer.elapsed() > 1000)
            return false;
        QApplication::processEvents();
    }
    return true;
}

// A main window showing the words, as after Open Dictionary.
struct Window
{
    frmMain form;
    QComboBox* list = form.findChild<QComboBox*>(QStringLiteral("cmbWord"));
    QPlainTextEdit* description = form.findChild<QPlainTextEdit*>(QStringLiteral("txtDescription"));
    PaintCounter listPaints{list};
    PaintCounter descriptionPaints{description->viewport()};
    PaintCounter itemPaints{list->view()->viewport()};

    explicit Window(benchmark::State& state, bool open = true)
    {
        form.show();
        if (open && form.Dictionary->OpenDictionary(dictionaryFile(int(state.range(0)))) != 0)
            state.SkipWithError("cannot open the dictionary");
        QApplication::processEvents();
    }

    // Until both the list and the description box have painted what changed.
    bool processUntilShown(int listMark, int descriptionMark)
    {
        return processUntilPainted(
            {{&listPaints, listMark}, {&descriptionPaints, descriptionMark}});
    }
};

// A person's pause between two actions: the window idles, 0.4 s unless told, and other work
// meanwhile takes the processor's caches.
void pauseLikeAPerson(int milliseconds = 400)
{
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    evictCaches();
}

double millisecondsOf(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Each figure's values, one an iteration, by benchmark and number of words.
std::map<std::string, std::map<int, std::vector<double>>> g_figures;

void record(benchmark::State& state, const char* name, double ms, bool shown)
{
    if (!shown)
        state.SkipWithError("the screen does not show the expected result");
    state.SetIterationTime(ms / 1000);
    g_figures[name][int(state.range(0))].push_back(ms);
}

// Opens the drop-down until its list has painted; true when it shows the selected word.
bool openDropDown(Window& w)
{
    const int mark = w.itemPaints.painted;
    w.list->showPopup();
    return processUntilPainted({{&w.itemPaints, mark}}) &&
           w.list->view()->currentIndex().row() == w.list->currentIndex();
}

void closeDropDown(Window& w)
{
    w.list->hidePopup();
    QApplication::processEvents();
}

void DropDownFirstOpen(benchmark::State& state)
{
    for (auto _ : state) {
        Window w(state); // a new window, whose drop-down has never shown
        pauseLikeAPerson();
        QElapsedTimer timer;
        timer.start();
        const bool shown = openDropDown(w);
        record(state, "DropDownFirstOpen", millisecondsOf(timer), shown);
        closeDropDown(w);
    }
}

// Opens the drop-down again and again; with edit, a word is renamed before every opening.
void reopenDropDown(benchmark::State& state, const char* name, bool edit)
{
    Window w(state);
    openDropDown(w);
    closeDropDown(w);
    int round = 0;
    for (auto _ : state) {
        if (edit)
            w.form.Dictionary->setWordName(1, QStringLiteral("renamed%1").arg(++round));
        pauseLikeAPerson();
        QElapsedTimer timer;
        timer.start();
        const bool shown = openDropDown(w);
        record(state, name, millisecondsOf(timer), shown);
        closeDropDown(w);
    }
}

void DropDownOpen(benchmark::State& state)
{
    reopenDropDown(state, "DropDownOpen", false);
}

void DropDownOpenAfterEdit(benchmark::State& state)
{
    reopenDropDown(state, "DropDownOpenAfterEdit", true);
}

// A change as a word command makes it, from the word picked in the middle of the list, timed
// until the list shows item 0 and the description box its description.
void rebuildAfter(benchmark::State& state, const char* name,
                  const std::function<void(clsDictionary*, qint32)>& change)
{
    Window w(state);
    const int words = int(state.range(0));
    for (auto _ : state) {
        w.list->setCurrentIndex(w.list->count() / 2);
        const qint32 picked = w.list->currentIndex();
        pauseLikeAPerson();
        const int listMark = w.listPaints.painted, descriptionMark = w.descriptionPaints.painted;
        QElapsedTimer timer;
        timer.start();
        change(w.form.Dictionary, picked);
        const bool painted = w.processUntilShown(listMark, descriptionMark);
        const double ms = millisecondsOf(timer);
        record(state, name, ms,
               painted && w.list->currentIndex() == 0 && w.list->currentText() == wordAt(0) &&
                   w.description->toPlainText() == descriptionOf(0));
    }
    state.counters["words"] = w.list->count();
    state.counters["words_before"] = words;
}

void RebuildAfterAdd(benchmark::State& state)
{
    int round = 0;
    rebuildAfter(state, "RebuildAfterAdd", [&round](clsDictionary* d, qint32) {
        d->AddWord(QStringLiteral("added%1").arg(++round), QStringLiteral("an added word"));
    });
}

void RebuildAfterEdit(benchmark::State& state)
{
    int round = 0;
    rebuildAfter(state, "RebuildAfterEdit", [&round](clsDictionary* d, qint32 Index) {
        d->setWordName(Index, QStringLiteral("renamed%1").arg(++round));
        d->setWordDescription(Index, QStringLiteral("described anew"));
    });
}

void RebuildAfterDelete(benchmark::State& state)
{
    rebuildAfter(state, "RebuildAfterDelete",
                 [](clsDictionary* d, qint32 Index) { d->DeleteWord(Index); });
}

void TypeEightLetters(benchmark::State& state)
{
    Window w(state);
    const int words = int(state.range(0));
    const QString target = wordAt(words - words / 1000); // word0999000 of a million
    for (auto _ : state) {
        w.list->setCurrentIndex(0);
        pauseLikeAPerson(); // longer than the typing interval, so a new search starts
        double slowest = 0;
        bool shown = true;
        for (const QChar letter : target.left(8)) {
            evictCaches();
            const int before = w.list->currentIndex(), mark = w.listPaints.painted;
            QElapsedTimer timer;
            timer.start();
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, letter);
            QApplication::sendEvent(w.list, &press);
            // A key that finds the word already shown changes nothing on the screen.
            if (w.list->currentIndex() != before)
                shown = processUntilPainted({{&w.listPaints, mark}}) && shown;
            else
                QApplication::processEvents();
            slowest = std::max(slowest, millisecondsOf(timer));
        }
        record(state, "TypeEightLetters", slowest, shown && w.list->currentText() == target);
    }
}

// The thumb's place in the scroll bar, where the user grabs it.
QRect thumbOf(const QScrollBar* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        bar);
}

void sendMouse(QScrollBar* bar, QEvent::Type type, const QPoint& at)
{
    QMouseEvent event(type, at, bar->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(bar, &event);
}

void DragThumb(benchmark::State& state)
{
    Window w(state);
    const int words = int(state.range(0));
    QScrollBar* bar = w.list->view()->verticalScrollBar();
    for (auto _ : state) {
        w.list->setCurrentIndex(0);
        openDropDown(w);
        pauseLikeAPerson();
        const QRect thumb = thumbOf(bar);
        QPoint at = thumb.center();
        sendMouse(bar, QEvent::MouseButtonPress, at);
        double slowest = 0;
        bool painted = true;
        while (bar->value() < bar->maximum() && at.y() < bar->height()) {
            QElapsedTimer step;
            step.start();
            const int value = bar->value(), mark = w.itemPaints.painted;
            at.ry() += 1;
            sendMouse(bar, QEvent::MouseMove, at);
            if (bar->value() != value)
                painted = processUntilPainted({{&w.itemPaints, mark}}) && painted;
            slowest = std::max(slowest, millisecondsOf(step));
        }
        sendMouse(bar, QEvent::MouseButtonRelease, at);
        const QAbstractItemView* view = w.list->view();
        const bool shown = painted && bar->isVisible() && bar->value() == bar->maximum() &&
                           view->indexAt(view->viewport()->rect().bottomLeft()).row() == words - 1;
        record(state, "DragThumb", slowest, shown);
        state.counters["steps"] = at.y() - thumb.center().y();
        closeDropDown(w);
    }
}

// What any program pays to have the file's bytes in memory.
double rawReadMs(const QString& file, bool& ok)
{
    evictCaches();
    QElapsedTimer timer;
    timer.start();
    QFile raw(file);
    ok = raw.open(QIODevice::ReadOnly) && raw.readAll().size() == QFileInfo(file).size() && ok;
    return millisecondsOf(timer);
}

std::map<int, double> g_rawReads; // the sum of the raw reads by words

// The pause of a person who picks a file to open: seconds, long enough for the memory a program
// freed to be taken back by the system (a virtual machine hands it to its host), so that the next
// program to take it pays for it anew, as it would after such a pause.
void pauseBeforeAnOpen()
{
    pauseLikeAPerson(4000);
}

// Each iteration times the raw read just before or just after the open, in turn, so that both
// meet the same load on a shared machine, and each after the pause of a person, so that neither
// finds the memory the other has just freed.
void OpenFile(benchmark::State& state)
{
    const int words = int(state.range(0));
    const QString& file = dictionaryFile(words);
    int round = 0;
    for (auto _ : state) {
        auto w = std::make_unique<Window>(state, false);
        bool ok = true;
        const bool rawFirst = ++round % 2 == 0;
        double raw = 0;
        if (rawFirst) {
            pauseBeforeAnOpen();
            raw = rawReadMs(file, ok);
        }
        pauseBeforeAnOpen();
        const int mark = w->listPaints.painted;
        QElapsedTimer timer;
        timer.start();
        w->form.openFromDesktop(file);
        ok = processUntilPainted({{&w->listPaints, mark}}) && ok;
        const double ms = millisecondsOf(timer);
        if (!rawFirst) {
            pauseBeforeAnOpen();
            raw = rawReadMs(file, ok);
        }
        g_rawReads[words] += raw;
        record(state, "OpenFile", ms, ok && w->list->currentText() == wordAt(0));
    }
}

// The process's resident memory and its peak, in kB, from /proc/self/status.
std::pair<long, long> memoryNow()
{
    long resident = -1, peak = -1;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return {resident, peak};
    for (const QByteArray& line : status.readAll().split('\n')) {
        const auto number = [&line] { return line.mid(6).trimmed().split(' ').value(0).toLong(); };
        if (line.startsWith("VmRSS:"))
            resident = number();
        else if (line.startsWith("VmHWM:"))
            peak = number();
    }
    return {resident, peak};
}

// Opens file in a window of this process, which has done nothing else, and prints the resident
// memory before the open and the peak after it.
int reportMemory(const char* file)
{
    frmMain form;
    form.show();
    QApplication::processEvents();
    const long before = memoryNow().first;
    form.openFromDesktop(QString::fromLocal8Bit(file));
    QApplication::processEvents();
    std::printf("%ld %ld\n", before, memoryNow().second);
    return form.Dictionary->WordCount() >= 0 ? 0 : 1;
}

std::map<int, std::pair<double, double>> g_memory; // the peak increase and peak, in kB, by words

void PeakMemory(benchmark::State& state)
{
    const int words = int(state.range(0));
    const QString& file = dictionaryFile(words);
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    double before = 0, peak = 0;
    for (auto _ : state) {
        FILE* child = popen(qPrintable("'" + self + "' --memory '" + file + "' 2>/dev/null"), "r");
        const bool read = child && std::fscanf(child, "%lf %lf", &before, &peak) == 2;
        if (!child || pclose(child) != 0 || !read)
            state.SkipWithError("the memory probe failed");
    }
    g_memory[words] = {peak - before, peak};
    state.counters["file_MB"] = QFileInfo(file).size() / 1e6;
    state.counters["peak_MB"] = peak / 1024;
}

double mean(const std::vector<double>& values)
{
    double sum = 0;
    for (double value : values)
        sum += value;
    return values.empty() ? 0 : sum / values.size();
}

// The figure's mean and worst at each size, against its target.
void printFigure(const char* name, const char* label, double target)
{
    std::printf("%-30s", label);
    bool met = true;
    for (int words : kSizes) {
        const std::vector<double>& values = g_figures[name][words];
        if (values.empty()) {
            std::printf("  %19s", "-");
            continue;
        }
        const double worst = *std::max_element(values.begin(), values.end());
        std::printf("  %7.1f ms (%6.1f)", mean(values), worst);
        met = met && mean(values) <= target;
    }
    std::printf("  <= %.0f ms%s\n", target, met ? "" : "  MISSED");
}

void printOpenAndMemory()
{
    for (int words : kSizes) {
        const std::vector<double>& opens = g_figures["OpenFile"][words];
        if (!opens.empty()) {
            const double raw = g_rawReads[words] / opens.size(), ratio = mean(opens) / raw;
            std::printf("Open of %d words until the list shows the first: %.1f ms / raw read "
                        "%.1f ms = %.2f (target <= 2)%s\n",
                        words, mean(opens), raw, ratio, ratio <= 2 ? "" : "  MISSED");
        }
        if (g_memory.count(words)) {
            const double fileKb = QFileInfo(dictionaryFile(words)).size() / 1024.0;
            const auto [increase, peak] = g_memory[words];
            std::printf("Peak memory of that open: +%.0f MB over %.0f MB before, file %.0f MB: "
                        "%.2f of the file (target <= 1.2)%s\n",
                        increase / 1024, (peak - increase) / 1024, fileKb / 1024, increase / fileKb,
                        increase / fileKb <= 1.2 ? "" : "  MISSED");
        }
    }
}

void sizes(benchmark::internal::Benchmark* benchmark)
{
    for (int words : kSizes)
        benchmark->Arg(words);
    benchmark->Unit(benchmark::kMillisecond)->UseManualTime();
}

} // namespace

BENCHMARK(DropDownFirstOpen)->Apply(sizes)->Iterations(3);
BENCHMARK(DropDownOpen)->Apply(sizes)->Iterations(5);
BENCHMARK(DropDownOpenAfterEdit)->Apply(sizes)->Iterations(5);
BENCHMARK(RebuildAfterAdd)->Apply(sizes)->Iterations(5);
BENCHMARK(RebuildAfterEdit)->Apply(sizes)->Iterations(5);
BENCHMARK(RebuildAfterDelete)->Apply(sizes)->Iterations(5);
BENCHMARK(TypeEightLetters)->Apply(sizes)->Iterations(5);
BENCHMARK(DragThumb)->Apply(sizes)->Iterations(3);
BENCHMARK(OpenFile)->Apply(sizes)->Iterations(4);
BENCHMARK(PeakMemory)->Apply(sizes)->Iterations(1);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return reportMemory(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0)
        return writeDictionary(std::atoi(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nEach action after an idle pause with the caches evicted, mean (worst):\n");
    std::printf("%-30s  %19s  %19s\n", "", "1,000,000 words", "4,000,000 words");
    printFigure("DropDownFirstOpen", "Drop-down, first open", kFrameMs);
    printFigure("DropDownOpen", "Drop-down, open again", kFrameMs);
    printFigure("DropDownOpenAfterEdit", "Drop-down, open after an edit", kFrameMs);
    printFigure("RebuildAfterAdd", "Rebuild after Add", kFrameMs);
    printFigure("RebuildAfterEdit", "Rebuild after Edit", kFrameMs);
    printFigure("RebuildAfterDelete", "Rebuild after Delete", kFrameMs);
    printFigure("TypeEightLetters", "Typing, slowest of 8 keys", kFrameMs);
    printFigure("DragThumb", "Thumb drag, slowest step", kFrameMs);
    printOpenAndMemory();
    benchmark::Shutdown();
    return 0;
}
