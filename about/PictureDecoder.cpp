#include "PictureDecoder.h"

#include "Images.h"

#include <QThread>

PictureDecoder::PictureDecoder()
    : thread(QThread::create([this] { decode(); }))
{
    thread->start();
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

// A thread that could not be started never decoded anything; then it is done here.
void PictureDecoder::wait()
{
    if (!thread)
        return;
    thread->wait();
    delete thread;
    thread = nullptr;
    if (!decoded)
        decode();
}
