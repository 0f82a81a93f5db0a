#include "Images.h"
#include "PictureDecoder.h"

#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTest>

namespace {

const char *const *image(const QString &name)
{
    return name == "emblem" ? EmblemImage : LogoImage;
}

struct Header
{
    int width = 0, height = 0, colours = 0, charsPerPixel = 0;
};

Header parseHeader(const char *line)
{
    const QList<QByteArray> fields = QByteArray(line).split(' ');
    Header h;
    if (fields.size() == 4) {
        h.width = fields[0].toInt();
        h.height = fields[1].toInt();
        h.colours = fields[2].toInt();
        h.charsPerPixel = fields[3].toInt();
    }
    return h;
}

} // namespace

class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void xpmData_data();
    void xpmData();
    void pixmaps_data();
    void pixmaps();
    void decodedAside_data();
    void decodedAside();
    void emblemTransparentOutsideShield();
    void logoOpaqueOnLightGround();
};

void TestImages::xpmData_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("greys");
    QTest::addColumn<int>("transparent");

    QTest::newRow("emblem") << "emblem" << QByteArray("188 240 65 1") << 64 << 1;
    QTest::newRow("logo") << "logo" << QByteArray("89 28 105 2") << 105 << 0;
}

void TestImages::xpmData()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, header);
    QFETCH(int, greys);
    QFETCH(int, transparent);

    const char *const *xpm = image(name);
    QCOMPARE(QByteArray(xpm[0]), header);
    const Header h = parseHeader(xpm[0]);
    QCOMPARE(h.colours, greys + transparent);

    QSet<QByteArray> codes;
    QSet<int> levels;
    int none = 0;
    for (int i = 1; i <= h.colours; ++i) {
        const QByteArray line(xpm[i]);
        const QByteArray code = line.left(h.charsPerPixel);
        const QList<QByteArray> rest = line.mid(h.charsPerPixel).simplified().split(' ');
        QVERIFY2(rest.size() == 2 && rest[0] == "c", line.constData());
        QVERIFY2(!codes.contains(code), line.constData());
        codes.insert(code);
        if (rest[1] == "None") {
            ++none;
            continue;
        }
        const QColor colour(QString::fromLatin1(rest[1]));
        QVERIFY2(colour.isValid(), line.constData());
        QVERIFY2(
            colour.red() == colour.green() && colour.green() == colour.blue(), line.constData());
        levels.insert(colour.red());
    }
    QCOMPARE(none, transparent);
    QCOMPARE(levels.size(), greys);
    QVERIFY(*std::min_element(levels.cbegin(), levels.cend()) < 0x20);
    QCOMPARE(*std::max_element(levels.cbegin(), levels.cend()), 0xFF);

    const int rowLength = h.width * h.charsPerPixel;
    for (int row = 0; row < h.height; ++row) {
        const QByteArray line(xpm[1 + h.colours + row]);
        QCOMPARE(line.size(), rowLength);
        for (int x = 0; x < rowLength; x += h.charsPerPixel)
            QVERIFY2(codes.contains(line.mid(x, h.charsPerPixel)),
                qPrintable(QString("row %1 column %2").arg(row).arg(x / h.charsPerPixel)));
    }
}

void TestImages::pixmaps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    QTest::newRow("emblem") << "emblem" << QSize(188, 240);
    QTest::newRow("logo") << "logo" << QSize(89, 28);
}

void TestImages::pixmaps()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QPixmap pixmap(image(name));
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), size);
}

// The main window takes its pictures from a decoder thread; they must be the pictures themselves.
void TestImages::decodedAside_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("indexed");

    // The icon keeps the indexed form; the logo is drawn on every paint and stays 32-bit.
    QTest::newRow("emblem") << "emblem" << true;
    QTest::newRow("logo") << "logo" << false;
}

void TestImages::decodedAside()
{
    QFETCH(QString, name);
    QFETCH(bool, indexed);

    PictureDecoder decoder;
    const QPixmap decoded = name == "emblem" ? decoder.emblem() : decoder.logo();
    const QImage direct = QPixmap(image(name)).toImage();
    QCOMPARE(decoded.size(), direct.size());
    QCOMPARE(decoded.toImage().convertToFormat(QImage::Format_ARGB32),
        direct.convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(decoded.depth() == 8, indexed);
}

void TestImages::emblemTransparentOutsideShield()
{
    const QImage emblem = QPixmap(EmblemImage).toImage();
    QVERIFY(emblem.hasAlphaChannel());
    const int right = emblem.width() - 1, bottom = emblem.height() - 1;
    for (const QPoint corner :
        {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
        QCOMPARE(qAlpha(emblem.pixel(corner)), 0);

    // The shield itself is opaque and only grey: black body, white band with dark lettering.
    bool black = false, white = false;
    for (int y = 0; y <= bottom; ++y) {
        for (int x = 0; x <= right; ++x) {
            const QRgb p = emblem.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            QCOMPARE(qAlpha(p), 255);
            QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            black = black || qRed(p) < 0x20;
            white = white || qRed(p) == 0xFF;
        }
    }
    QVERIFY(black && white);
    QCOMPARE(qAlpha(emblem.pixel(emblem.width() / 2, emblem.height() / 2)), 255);
}

void TestImages::logoOpaqueOnLightGround()
{
    const QImage logo = QPixmap(LogoImage).toImage();
    QVERIFY(!logo.hasAlphaChannel());
    int dark = 0;
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            QCOMPARE(qAlpha(logo.pixel(x, y)), 255);
            dark += qGray(logo.pixel(x, y)) < 0x40;
        }
    }
    QVERIFY(dark > 0);
    const QRgb corners[] = {logo.pixel(0, 0), logo.pixel(logo.width() - 1, logo.height() - 1)};
    for (const QRgb corner : corners)
        QVERIFY(qGray(corner) > 0xC0);
}

QTEST_MAIN(TestImages)
#include "tst_images.moc"
