#include "clipboard/DerivedValues.h"

#include <QGuiApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto thumbnail = quillet::makeThumbnail(input)) {
        const QImage image = QImage::fromData(*thumbnail, "PNG");
        if (image.isNull() || (image.width() != 200 && image.height() != 200))
            __builtin_trap();
    }
    return 0;
}
