#pragma once
// Decodes a JPEG held in memory with libjpeg itself, not through Qt's image
// plugins, so the About photograph shows even where those are missing.
#include <QByteArray>
#include <QImage>

namespace tainoteka {

// RGB888 for colour pictures, Grayscale8 for one-component ones. A damaged
// or unsupported picture (CMYK, say) gives a null image; libjpeg's own
// habit of ending the process on bad data is switched off.
QImage DecodeJpeg(const QByteArray& data);

} // namespace tainoteka
