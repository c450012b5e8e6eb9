#include "JpegImage.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h wants FILE declared

#include <jpeglib.h>

namespace tainoteka {
namespace {

// libjpeg reports a fatal error by calling error_exit, which by default ends
// the process. Ours jumps back into the decoder instead. The jumps only cross
// libjpeg's C frames: every function that calls setjmp below holds nothing
// with a destructor, and the image lives in a caller no jump ever reaches.
struct TErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Escape;
};

[[noreturn]] void ErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->Escape, 1);
}

// Level -1 is a warning about corrupt data (a truncated file among them),
// after which libjpeg would carry on and fill the rest with grey. A half
// photograph is worse than none, so it counts as an error. Trace messages
// and the text of messages are of no use to anyone here.
void EmitMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ErrorExit(info);
}

void OutputMessage(j_common_ptr) {}

struct TDecoder {
    jpeg_decompress_struct Info{};
    TErrorManager Errors{};
    bool Created = false;

    TDecoder() = default;
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;
    // Frees libjpeg's memory on every path, also after a jump.
    ~TDecoder()
    {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
};

bool StartDecoding(TDecoder& d, const QByteArray& data)
{
    d.Info.err = jpeg_std_error(&d.Errors.Base);
    d.Errors.Base.error_exit = ErrorExit;
    d.Errors.Base.emit_message = EmitMessage;
    d.Errors.Base.output_message = OutputMessage;
    if (setjmp(d.Errors.Escape))
        return false;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    // Older libjpeg declares the buffer without const; it is only read.
    jpeg_mem_src(&d.Info, reinterpret_cast<unsigned char*>(const_cast<char*>(data.constData())),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d.Info, TRUE);
    switch (d.Info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d.Info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        d.Info.out_color_space = JCS_RGB;
        break;
    default: // CMYK and YCCK would need a colour conversion of their own
        return false;
    }
    jpeg_start_decompress(&d.Info);
    return true;
}

bool ReadRows(TDecoder& d, QImage& image)
{
    if (setjmp(d.Errors.Escape))
        return false;
    while (d.Info.output_scanline < d.Info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(d.Info.output_scanline));
        if (jpeg_read_scanlines(&d.Info, &row, 1) != 1)
            return false; // only a suspending source returns short, ours never does
    }
    jpeg_finish_decompress(&d.Info);
    return true;
}

} // namespace

QImage DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    TDecoder decoder;
    if (!StartDecoding(decoder, data))
        return {};
    const jpeg_decompress_struct& info = decoder.Info;
    const bool grey = info.out_color_space == JCS_GRAYSCALE;
    if (info.output_components != (grey ? 1 : 3))
        return {};
    QImage image(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image.isNull()) // too large to allocate
        return {};
    if (!ReadRows(decoder, image))
        return {};
    return image;
}

} // namespace tainoteka
