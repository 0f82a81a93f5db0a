#include "PictureDecoder.h"

#include "Images.h"

#include <system_error>

// A thread that cannot start leaves the decoding to the first wait.
PictureDecoder::PictureDecoder()
{
    try {
        thread = std::thread([this] { decode(); });
    } catch (const std::system_error &) { }
}

PictureDecoder::~PictureDecoder()
{
    wait();
}

// The window system is given its own copy of the icon, so the icon keeps the picture in its
// indexed form, a quarter of the 32-bit one the screen's pictures are drawn from.
QPixmap PictureDecoder::emblem()
{
    wait();
    return QPixmap::fromImage(emblemImage, Qt::NoFormatConversion);
}

QPixmap PictureDecoder::logo()
{
    wait();
    return QPixmap::fromImage(logoImage);
}

void PictureDecoder::decode()
{
    emblemImage = QImage(EmblemImage);
    logoImage = QImage(LogoImage);
    decoded = true;
}

void PictureDecoder::wait()
{
    if (thread.joinable())
        thread.join();
    if (!decoded)
        decode();
}
