#include "ui/qt/writer_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tavro::ui {
namespace {

// The picture is drawn on a 64 x 64 grid; other sizes scale the grid.
constexpr int kSize = 64;

void DrawBackground(QPainter& painter) {
    // 24 bits have no alpha channel, so the whole square is painted.
    QLinearGradient sky(0, 0, 0, kSize);
    sky.setColorAt(0.0, QColor(0x2b, 0x5d, 0x8c));
    sky.setColorAt(1.0, QColor(0x16, 0x32, 0x52));
    painter.fillRect(0, 0, kSize, kSize, sky);
}

void DrawWaves(QPainter& painter, QPointF tip) {
    painter.setBrush(Qt::NoBrush);
    for (int ring = 1; ring <= 3; ++ring) {
        const double radius = 5.0 * ring + 1.0;
        // The waves fade as they travel out.
        painter.setPen(QPen(QColor(0xff, 0xc8, 0x4a, 255 - 55 * (ring - 1)), 2.6, Qt::SolidLine,
                            Qt::RoundCap));
        const QRectF box(tip.x() - radius, tip.y() - radius, 2 * radius, 2 * radius);
        painter.drawArc(box, 25 * 16, 60 * 16);  // upper right
        painter.drawArc(box, 95 * 16, 60 * 16);  // upper left
    }
}

void DrawDevice(QPainter& painter) {
    // The antenna stands on the body's top edge.
    const QPointF tip(32, 20);
    painter.setPen(QPen(QColor(0xd8, 0xe2, 0xec), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(32, 38), tip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xc8, 0x4a));
    painter.drawEllipse(tip, 3.2, 3.2);
    DrawWaves(painter, tip);

    const QRectF body(11, 37, 42, 19);
    QLinearGradient face(body.topLeft(), body.bottomLeft());
    face.setColorAt(0.0, QColor(0xf4, 0xf7, 0xfa));
    face.setColorAt(1.0, QColor(0xc6, 0xd2, 0xde));
    painter.setPen(QPen(QColor(0x0c, 0x1e, 0x33), 1.5));
    painter.setBrush(face);
    painter.drawRoundedRect(body, 4, 4);

    // Status lamps and the I/O terminals along the front.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3c, 0xc8, 0x5a));
    painter.drawEllipse(QPointF(18, 46.5), 2.5, 2.5);
    painter.setBrush(QColor(0xff, 0x9a, 0x2e));
    painter.drawEllipse(QPointF(25, 46.5), 2.5, 2.5);
    painter.setBrush(QColor(0x4a, 0x5a, 0x6c));
    for (int terminal = 0; terminal < 4; ++terminal) {
        painter.drawRect(QRectF(32 + terminal * 4.5, 44, 3, 5));
    }
}

}  // namespace

void PaintWriterIcon(QPainter& painter, int size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(static_cast<double>(size) / kSize, static_cast<double>(size) / kSize);
    DrawBackground(painter);
    DrawDevice(painter);
    painter.restore();
}

QImage DrawWriterIconImage(int size) {
    QImage image(size, size, QImage::Format_RGB888);
    QPainter painter(&image);
    PaintWriterIcon(painter, size);
    painter.end();
    return image;
}

QIcon WriterIcon() { return QIcon(QPixmap::fromImage(DrawWriterIconImage())); }

}  // namespace tavro::ui
