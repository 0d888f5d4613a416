#pragma once

#include <QIcon>
#include <QImage>

class QPainter;

namespace tavro::ui {

// The picture of IDR_MAINFRAME: a small device with its antenna sending waves, drawn on a
// 64 x 64 grid. The window shows it at 64 x 64 and 24 bits per pixel; the desktop icons and the
// Windows icon file are the same drawing at other sizes (tools/icons).
QImage DrawWriterIconImage(int size = 64);
// Paints the picture into the square (0, 0, size, size) of any paint device.
void PaintWriterIcon(QPainter& painter, int size);
QIcon WriterIcon();

}  // namespace tavro::ui
