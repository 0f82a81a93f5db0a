#include "MainWindow.h"

#include "AboutDilog.h"
#include "DetectorConfig.h"
#include "MainWindowForm.h"
#include "PictureDecoder.h"
#include "config.h"
#include "file.h"

#include <QAction>
#include <QBrush>
#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

namespace {

const std::uint8_t singleImpactBit = 0x01;

// The progress bar counts seven units per byte of an exchange.
const int unitsPerByte = 7;
const int progressDone = 33;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , form(new MainWindowForm)
{
    // Decoding the pictures needs no widget, so it runs while the form and the link are built.
    PictureDecoder pictures;
    form->setupForm(this);
    aboutDialog = new AboutDilog(this);
    form->pushButton_cfg->hide();

    settings.flags = 0;
    settings.level1 = 0;
    settings.level2 = 0;
    settings.level3 = 0;
    link = new config(&settings);

    setWindowTitle(QStringLiteral("Конфигуратор Вирел-3"));
    setWindowIcon(QIcon(pictures.emblem()));
    form->label_icn->setPixmap(pictures.logo());
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint);

    fillStatusBar();
    buttonsEnable(false);
    connectControls();
    connectLinkAndAbout();
    hideUnusedWidgets();

    form->horizontalSlider->setEnabled(false);
    form->horizontalSlider_2->setEnabled(false);
    form->horizontalSlider_3->setEnabled(false);
    setmem_d_1();
    setmem_d_2();
    setmem_d_3();
    setmem_angle(1);
    setmem_flag(1);
}

MainWindow::~MainWindow()
{
    releaseLink();
    delete form;
    // The indicator's painter stays open on its pixmap for the window's whole life; close it first.
    for (QPainter *painter : {indicatorPainter, rampOffPainter, rampOnPainter}) {
        if (painter->isActive())
            painter->end();
        delete painter;
    }
    delete indicatorPixmap;
    delete rampOffPixmap;
    delete rampOnPixmap;
}

void MainWindow::fillStatusBar()
{
    connectionLabel = new QLabel(QStringLiteral("Нет подключения"));
    form->statusBar->addWidget(connectionLabel, 0);
    indicatorLabel = new QLabel(this);
    drawIndicator();
    drawRamps();

    for (QLabel *picture : {form->label_d_1, form->label_d_2, form->label_d_3})
        picture->setPixmap(*rampOffPixmap);
    indicatorLabel->setPixmap(*indicatorPixmap);
    form->statusBar->addWidget(indicatorLabel, 0);

    // Hidden before it is added, so the status bar keeps it hidden until an exchange runs.
    progressBar = new QProgressBar(this);
    progressBar->hide();
    form->statusBar->addWidget(progressBar, 0);
}

void MainWindow::drawIndicator()
{
    indicatorPixmap = new QPixmap(20, 20);
    indicatorPixmap->fill(palette().color(QPalette::Window));
    indicatorPainter = new QPainter(indicatorPixmap);
    indicatorPainter->setBrush(QBrush(Qt::red));
    indicatorPainter->drawEllipse(0, 0, 15, 15);
}

void MainWindow::drawRamps()
{
    const QColor background = palette().color(QPalette::Window);
    rampOffPixmap = new QPixmap(300, 30);
    rampOffPixmap->fill(background);
    rampOnPixmap = new QPixmap(300, 30);
    rampOnPixmap->fill(background);
    rampOffPainter = new QPainter(rampOffPixmap);
    rampOffPainter->setRenderHint(QPainter::Antialiasing, true);
    rampOnPainter = new QPainter(rampOnPixmap);
    rampOnPainter->setRenderHint(QPainter::Antialiasing, true);

    rampPoints[0] = QPointF(0, 25);
    rampPoints[1] = QPointF(290, 25);
    rampPoints[2] = QPointF(290, 0);

    // Without stops a gradient runs from black to white: the grey wedge of a channel that is off.
    QLinearGradient offGradient(0, 25, 290, 25);
    QLinearGradient onGradient(0, 25, 290, 25);
    onGradient.setColorAt(0.0, Qt::black);
    onGradient.setColorAt(1.0, QColor(255, 255, 127, 255));

    rampOffPainter->setBrush(QBrush(offGradient));
    rampOffPainter->drawPolygon(rampPoints, 3, Qt::OddEvenFill);
    rampOnPainter->setBrush(QBrush(onGradient));
    rampOnPainter->drawPolygon(rampPoints, 3, Qt::OddEvenFill);
    // Nothing paints the ramps again. A pixmap with an open painter is copied whole wherever it
    // is shown, so ended painters let the three channel pictures share two pixmaps.
    rampOffPainter->end();
    rampOnPainter->end();
}

void MainWindow::connectControls()
{
    connect(form->action, &QAction::triggered, this, &MainWindow::close);
    connect(form->action_3, &QAction::triggered, this, &MainWindow::show_about);
    connect(form->horizontalSlider, &QSlider::valueChanged, form->sLabel,
        qOverload<int>(&QLabel::setNum));
    connect(form->horizontalSlider_2, &QSlider::valueChanged, form->sLabel_2,
        qOverload<int>(&QLabel::setNum));
    connect(form->horizontalSlider_3, &QSlider::valueChanged, form->sLabel_3,
        qOverload<int>(&QLabel::setNum));
    connect(form->horizontalSlider, &QSlider::valueChanged, this, &MainWindow::setmem);
    connect(form->horizontalSlider_2, &QSlider::valueChanged, this, &MainWindow::setmem_2);
    connect(form->horizontalSlider_3, &QSlider::valueChanged, this, &MainWindow::setmem_3);
    connect(form->checkBox_d_1, &QCheckBox::stateChanged, this, &MainWindow::setmem_d_1);
    connect(form->checkBox_d_2, &QCheckBox::stateChanged, this, &MainWindow::setmem_d_2);
    connect(form->checkBox_d_3, &QCheckBox::stateChanged, this, &MainWindow::setmem_d_3);
    connect(form->horizontalSlider_4, &QSlider::valueChanged, this, &MainWindow::setmem_angle);
    connect(form->checkBox, &QCheckBox::stateChanged, this, &MainWindow::setmem_flag);
    connect(form->pushButton_cfg, &QPushButton::clicked, this, &MainWindow::conf_wgt);
    connect(form->get, &QPushButton::clicked, this, &MainWindow::get_connect);
    connect(form->button_drop, &QPushButton::clicked, this, &MainWindow::slot_reset);
}

void MainWindow::connectLinkAndAbout()
{
    connect(link, &config::signal_handshake_ok, this, &MainWindow::set_connect);
    connect(aboutDialog, &AboutDilog::show_btn, this, &MainWindow::test_button);
    connect(form->save, &QPushButton::clicked, link, &config::sendParamA6);
    connect(form->hand, &QPushButton::clicked, link, &config::sendParamAA);
    connect(link, &config::signal_disconnect, this, &MainWindow::clearConnect);
    connect(link, &config::setButton, this, &MainWindow::buttonsEnable);
    connect(link, &config::signal_getConfig, this, &MainWindow::set_dev_config);
    connect(link, &config::action, this, &MainWindow::set_curr_action);
}

// The link goes with the window, so nothing can reach the window's settings afterwards. While an
// exchange runs, this destructor may itself be running inside a wait of one of the link's slots,
// so the deletion is handed to the event loop instead of being done inside this call.
void MainWindow::releaseLink()
{
    disconnect(link, nullptr, this, nullptr);
    if (link->exchangeRunning())
        link->deleteLater();
    else
        delete link;
    link = nullptr;
}

void MainWindow::hideUnusedWidgets()
{
    form->hand->hide();
    const QList<QLabel *> numberLabels = {form->sLabel, form->sLabel_2, form->sLabel_3,
        form->sLabel_4, form->sLabel_5, form->sLabel_6};
    for (QLabel *numberLabel : numberLabels)
        numberLabel->hide();
}

MainWindow::Channel MainWindow::channel(int number)
{
    switch (number) {
    case 1:
        return {form->checkBox_d_1, form->horizontalSlider, form->label_d_1, form->sLabel,
            form->sLabel_4, &settings.level1, 0x02};
    case 2:
        return {form->checkBox_d_2, form->horizontalSlider_2, form->label_d_2, form->sLabel_2,
            form->sLabel_5, &settings.level2, 0x04};
    default:
        return {form->checkBox_d_3, form->horizontalSlider_3, form->label_d_3, form->sLabel_3,
            form->sLabel_6, &settings.level3, 0x08};
    }
}

QString MainWindow::degreeSign() const
{
    // The sign that follows the number on the "5º" label under the tilt slider.
    return form->label_21->text().mid(1, 1);
}

void MainWindow::setmem(int i)
{
    settings.level1 = std::int8_t(-i);
    settings.flags &= std::uint8_t(~0x02);
}

void MainWindow::setmem_2(int i)
{
    settings.level2 = std::int8_t(-i);
    settings.flags &= std::uint8_t(~0x04);
}

void MainWindow::setmem_3(int i)
{
    settings.level3 = std::int8_t(-i);
    settings.flags &= std::uint8_t(~0x08);
}

void MainWindow::setmem_d_1()
{
    switchChannel(1);
}

void MainWindow::setmem_d_2()
{
    switchChannel(2);
}

void MainWindow::setmem_d_3()
{
    switchChannel(3);
}

// A channel always starts again at level 0, whether it is switched on or off.
void MainWindow::switchChannel(int number)
{
    const Channel ch = channel(number);
    const bool on = ch.box->isChecked();
    ch.slider->setValue(0);
    ch.slider->setEnabled(on);
    ch.picture->clear();
    ch.picture->setPixmap(on ? *rampOnPixmap : *rampOffPixmap);
    *ch.level = 0;
    if (on) {
        settings.flags &= std::uint8_t(~ch.offBit);
    } else {
        settings.flags |= ch.offBit;
        ch.numberLabel->setText(QStringLiteral("Выкл"));
    }
}

void MainWindow::setmem_angle(int i)
{
    settings.angle = std::int8_t(5 * i);
    form->sLabel_7->setText(QString::number(5 * i) + degreeSign());
}

void MainWindow::setmem_flag(int)
{
    if (form->checkBox->isChecked())
        settings.flags |= singleImpactBit;
    else
        settings.flags &= std::uint8_t(~singleImpactBit);
}

void MainWindow::file_wr()
{
    // Only a "save" or an "open" control asks for anything; any other call leaves the file alone.
    const QObject *origin = sender();
    const QString name = origin ? origin->objectName() : QString();
    const bool write = name == QLatin1String("save");
    const bool read = name == QLatin1String("open");
    if (!write && !read)
        return;

    file store(this, savedRecord);
    if (write)
        store.writeRecord(0);
    else
        store.readRecord(0);
}

void MainWindow::set_connect()
{
    showConnection(QStringLiteral("Подключено"), Qt::green);
}

void MainWindow::clearConnect()
{
    showConnection(QStringLiteral("Нет подключения"), Qt::red);
}

// The dot is painted over the last one; the label keeps a copy, so it is given the pixmap anew.
void MainWindow::showConnection(const QString &text, Qt::GlobalColor colour)
{
    connectionLabel->setText(text);
    indicatorPainter->setBrush(QBrush(colour));
    indicatorPainter->drawEllipse(0, 0, 15, 15);
    indicatorLabel->setPixmap(*indicatorPixmap);
}

// The controls' own slots store the values, so each box changes before its slider is set.
void MainWindow::set_dev_config(char in[6])
{
    const DetectorConfig reply = DetectorConfig::fromBytes(in);
    form->horizontalSlider_4->setValue(reply.angle / 5);
    form->sLabel_7->setText(QString::number(reply.angle) + degreeSign());

    const bool singleImpact = reply.flags & singleImpactBit;
    form->checkBox->setChecked(singleImpact);
    setmem_flag(singleImpact ? 1 : 0);

    applyChannelReply(1, reply.flags, reply.level1);
    applyChannelReply(2, reply.flags, reply.level2);
    applyChannelReply(3, reply.flags, reply.level3);
}

void MainWindow::applyChannelReply(int number, std::uint8_t flags, std::int8_t level)
{
    const Channel ch = channel(number);
    if (flags & ch.offBit) {
        ch.replyLabel->setText(QStringLiteral("Выкл"));
        ch.box->setChecked(false);
        return;
    }
    ch.box->setChecked(true);
    ch.replyLabel->setNum(-level);
    ch.slider->setValue(-level);
}

void MainWindow::set_curr_action(int total, int step, int cgi)
{
    if (cgi == progressDone) {
        progressBar->hide();
        progressBar->reset();
        return;
    }
    progressBar->show();
    progressBar->setMaximum(unitsPerByte * total);
    progressBar->setValue(unitsPerByte * cgi + unitsPerByte - step);
    if (progressBar->value() == unitsPerByte * total)
        progressBar->hide();
}

void MainWindow::test_button(bool b)
{
    form->pushButton_cfg->setVisible(form->action_2->isChecked() || b);
}

void MainWindow::show_about()
{
    aboutDialog->setVisible(true);
}

// The link has no parent, so its service form opens as a window of its own.
void MainWindow::conf_wgt()
{
    link->setVisible(true);
}

// The hidden `hand` button starts the handshake; it is enabled exactly when `get` is.
void MainWindow::get_connect()
{
    link->readAfterHandshake = true;
    form->hand->click();
}

void MainWindow::slot_reset()
{
    form->checkBox_d_1->setChecked(true);
    form->checkBox_d_2->setChecked(true);
    form->checkBox_d_3->setChecked(true);
    form->checkBox->setChecked(false);
    form->horizontalSlider->setValue(0);
    form->horizontalSlider_2->setValue(0);
    form->horizontalSlider_3->setValue(0);
    form->horizontalSlider_4->setValue(1);
}

void MainWindow::buttonsEnable(bool b)
{
    form->save->setEnabled(b);
    form->get->setEnabled(b);
    form->hand->setEnabled(b);
}
