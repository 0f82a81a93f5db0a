#pragma once

#include <QImage>
#include <QPixmap>

#include <thread>

// Decodes the two compiled-in XPM pictures on a thread of their own, so that the main window
// can build its form meanwhile. The pixmaps are made on the GUI thread when they are asked for:
// the logo is the one QPixmap(LogoImage) gives, the emblem keeps its indexed format.
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

    std::thread thread;
    bool decoded = false;
    QImage emblemImage;
    QImage logoImage;
};
