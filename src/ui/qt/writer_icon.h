#pragma once

#include <QIcon>
#include <QImage>

namespace tavro::ui {

// The picture of IDR_MAINFRAME: one 64 x 64 image at 24 bits per pixel, a small device with
// its antenna sending waves.
QImage DrawWriterIconImage();
QIcon WriterIcon();

}  // namespace tavro::ui
