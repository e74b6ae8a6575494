// One tick of the high-scores dialog's animation: the sparkles that are due,
// the ten text lines into the picture, and the copy of the picture onto the
// window's surface. At 50 ticks a second the open dialog should cost under 1%
// of a core, so one tick should stay under 0.2 ms.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "base/random.h"
#include "records/records.h"
#include "shell/forms/records_form.h"

namespace stakor {
namespace {

// A full table: ten names and scores on every tab.
void FillTable(TRecords& records)
{
    for (int style = 1; style <= TRecords::Styles; ++style)
        for (int rank = 1; rank <= TRecords::Places; ++rank) {
            THighScoreEntry entry;
            entry.Name = "Player number " + std::to_string(rank);
            entry.Score = 1000000 - 1000 * rank;
            records.SetEntry(style, rank, entry);
        }
}

void BM_RecordsAnimationTick(benchmark::State& state)
{
    TRandom tableRng(1);
    TRecords records(tableRng, std::nullopt);
    FillTable(records);
    TRandom rng(2026);
    TRecordsPicture picture(records, rng, 2);
    // Past the start, so that every sparkle is alive.
    for (int i = 0; i < 1000; ++i)
        picture.Tick();
    QImage surface(423, 270, QImage::Format_RGB32);
    for (auto _ : state) {
        picture.Tick();
        QPainter painter(&surface);
        painter.drawImage(TRecordsTabControl::PictureAt, picture.Image());
        painter.end();
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_RecordsAnimationTick);

// A tab change renders the text of the new table once.
void BM_RecordsTabChange(benchmark::State& state)
{
    TRandom tableRng(1);
    TRecords records(tableRng, std::nullopt);
    FillTable(records);
    TRandom rng(2026);
    TRecordsPicture picture(records, rng, 0);
    int tab = 0;
    for (auto _ : state) {
        tab = (tab + 1) % TRecords::Styles;
        picture.ShowStyle(tab);
        benchmark::DoNotOptimize(picture.Image().constBits());
    }
}
BENCHMARK(BM_RecordsTabChange);

} // namespace
} // namespace stakor

int main(int argc, char** argv)
{
    // The table's text needs the font database, which needs a GUI application.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
