#include "clipboard/DerivedValues.h"
#include "clipboard/TypeRegistry.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

using namespace quillet;

namespace {

void contentHashOf10MB(benchmark::State &state)
{
    PasteboardSnapshot snapshot;
    QByteArray data(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (char &c : data)
        c = char(generator.generate());
    snapshot.contents.append({ types::png, data });
    for (auto _ : state)
        benchmark::DoNotOptimize(contentHashOf(snapshot));
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(contentHashOf10MB)->Unit(benchmark::kMillisecond);

// A 4K screenshot-like picture: gradients and shapes, so PNG compression has
// realistic work to do.
QByteArray screenshotPng()
{
    QImage image(3840, 2160, QImage::Format_ARGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 3840, 2160);
    gradient.setColorAt(0, QColor(20, 40, 90));
    gradient.setColorAt(1, QColor(240, 200, 120));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator generator(7);
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromRgb(generator.generate()));
        painter.drawRect(int(generator.bounded(3600)), int(generator.bounded(2000)), 200, 120);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void thumbnailOf4kPng(benchmark::State &state)
{
    const QByteArray png = screenshotPng();
    for (auto _ : state)
        benchmark::DoNotOptimize(makeThumbnail(png));
    state.counters["png_bytes"] = double(png.size());
}
BENCHMARK(thumbnailOf4kPng)->Unit(benchmark::kMillisecond);

} // namespace
