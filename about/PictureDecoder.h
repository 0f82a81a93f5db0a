#pragma once

#include <QImage>
#include <QPixmap>

class QThread;

// Decodes the two compiled-in XPM pictures on a thread of their own, so that the main window
// can build its form meanwhile. The pixmaps are made on the GUI thread when they are asked for,
// and are those that QPixmap(EmblemImage) and QPixmap(LogoImage) give.
class PictureDecoder
{
public:
    PictureDecoder();
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder &) = delete;
    PictureDecoder &operator=(const PictureDecoder &) = delete;

    // Each waits for the decoding first.
    QPixmap emblem();
    QPixmap logo();

private:
    void decode();
    void wait();

    QThread *thread = nullptr;
    bool decoded = false;
    QImage emblemImage;
    QImage logoImage;
};
