// Renders the program's emblem as a square PNG icon: emblem-icon <size> <file.png>
#include "Images.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

namespace {

QImage squareIcon(const QImage &emblem, int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    const QImage scaled = emblem.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&icon);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    bool sizeOk = false;
    const int size = args.size() == 3 ? args.at(1).toInt(&sizeOk) : 0;
    if (!sizeOk || size < 16 || size > 1024) {
        err << "usage: " << args.value(0) << " <size 16..1024> <file.png>\n";
        return 2;
    }
    const QImage emblem(EmblemImage);
    if (emblem.isNull()) {
        err << "the emblem picture could not be read\n";
        return 1;
    }
    if (!squareIcon(emblem, size).save(args.at(2), "PNG")) {
        err << "cannot write " << args.at(2) << "\n";
        return 1;
    }
    return 0;
}
