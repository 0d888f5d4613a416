// Renders the window's icon into the files that carry it outside the program: PNG images for
// the desktop's icon theme, an SVG, and a Windows icon file. scripts/icons runs it into
// data/icons/; a test checks that those files are still this drawing.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtEndian>
#include <array>
#include <cstdio>

#include "ui/qt/writer_icon.h"

namespace {

constexpr std::array kThemeSizes{16, 24, 32, 48, 64, 128, 256};
// The Windows icon: small sizes as bitmaps (what every Windows version reads), 256 as PNG.
constexpr std::array kBitmapIconSizes{16, 24, 32, 48, 64};
constexpr int kPngIconSize = 256;

void AppendLittle16(QByteArray& out, quint16 value) {
    const quint16 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

void AppendLittle32(QByteArray& out, quint32 value) {
    const quint32 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// One icon image as a device-independent bitmap: the header says twice the height because the
// 32-bit colour rows are followed by the (here empty) 1-bit mask, both bottom row first.
QByteArray BitmapIconImage(int size) {
    const QImage image =
        tavro::ui::DrawWriterIconImage(size).convertToFormat(QImage::Format_ARGB32);
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    AppendLittle32(out, 40);
    AppendLittle32(out, static_cast<quint32>(size));
    AppendLittle32(out, static_cast<quint32>(size * 2));
    AppendLittle16(out, 1);   // planes
    AppendLittle16(out, 32);  // bits per pixel
    AppendLittle32(out, 0);   // no compression
    AppendLittle32(out, static_cast<quint32>(size * size * 4 + maskStride * size));
    for (int unused = 0; unused < 4; ++unused) AppendLittle32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = image.pixel(x, y);
            out.append(static_cast<char>(qBlue(pixel)));
            out.append(static_cast<char>(qGreen(pixel)));
            out.append(static_cast<char>(qRed(pixel)));
            out.append(static_cast<char>(qAlpha(pixel)));
        }
    }
    out.append(QByteArray(maskStride * size, '\0'));
    return out;
}

QByteArray PngImage(int size) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tavro::ui::DrawWriterIconImage(size).save(&buffer, "PNG");
    return png;
}

QByteArray WindowsIconFile() {
    std::vector<std::pair<int, QByteArray>> images;
    for (const int size : kBitmapIconSizes) images.emplace_back(size, BitmapIconImage(size));
    images.emplace_back(kPngIconSize, PngImage(kPngIconSize));

    QByteArray out;
    AppendLittle16(out, 0);
    AppendLittle16(out, 1);  // an icon, not a cursor
    AppendLittle16(out, static_cast<quint16>(images.size()));
    constexpr int kDirectoryEntrySize = 16;
    quint32 offset = static_cast<quint32>(6 + kDirectoryEntrySize * images.size());
    for (const auto& [size, data] : images) {
        out.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0');  // no palette
        out.append('\0');
        AppendLittle16(out, 1);   // planes
        AppendLittle16(out, 32);  // bits per pixel
        AppendLittle32(out, static_cast<quint32>(data.size()));
        AppendLittle32(out, offset);
        offset += static_cast<quint32>(data.size());
    }
    for (const auto& image : images) out.append(image.second);
    return out;
}

QByteArray SvgFile() {
    QByteArray svg;
    QBuffer buffer(&svg);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(64, 64));
    generator.setViewBox(QRect(0, 0, 64, 64));
    generator.setTitle(QStringLiteral("TAVRO Writer"));
    generator.setDescription(QStringLiteral("A small device with its antenna sending waves"));
    QPainter painter(&generator);
    tavro::ui::PaintWriterIcon(painter, 64);
    painter.end();
    return svg;
}

bool WriteFile(const QDir& folder, const QString& name, const QByteArray& data) {
    QFile file(folder.filePath(name));
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size()) return true;
    std::fprintf(stderr, "render_icons: cannot write %s\n", qPrintable(file.fileName()));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons FOLDER\n");
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) return 1;

    bool written = true;
    for (const int size : kThemeSizes) {
        written &=
            WriteFile(folder, QStringLiteral("tavro-writer-%1.png").arg(size), PngImage(size));
    }
    written &= WriteFile(folder, QStringLiteral("tavro-writer.svg"), SvgFile());
    written &= WriteFile(folder, QStringLiteral("tavro-writer.ico"), WindowsIconFile());
    return written ? 0 : 1;
}
