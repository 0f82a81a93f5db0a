#include "UserActions.h"

#include "AboutDilog.h"
#include "ConfigForm.h"
#include "RunningConfigurator.h"
#include "config.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

UserActions::UserActions(RunningConfigurator &run, std::mt19937 &random)
    : run(run)
    , random(random)
{ }

int UserActions::pick(int count)
{
    return std::uniform_int_distribution<int>(0, count - 1)(random);
}

QString UserActions::act()
{
    // Weighted towards what a user does most: change settings, read and write.
    switch (pick(10)) {
    case 0:
    case 1:
    case 2:
        return clickCommand();
    case 3:
    case 4:
    case 5:
    case 6:
        return changeSetting();
    case 7:
    case 8:
        return useServiceForm();
    default:
        return useAboutDialog();
    }
}

QString UserActions::clickCommand()
{
    MainWindowForm &f = run.form();
    const int which = pick(3);
    QPushButton *button = which == 0 ? f.get : which == 1 ? f.save : f.button_drop;
    QTest::mouseClick(button, Qt::LeftButton);
    return QStringList {"Считать", "Сохранить", "Сброс"}[which];
}

QString UserActions::changeSetting()
{
    MainWindowForm &f = run.form();
    QSlider *sliders[]
        = {f.horizontalSlider, f.horizontalSlider_2, f.horizontalSlider_3, f.horizontalSlider_4};
    QCheckBox *boxes[] = {f.checkBox_d_1, f.checkBox_d_2, f.checkBox_d_3, f.checkBox};
    const int which = pick(8);
    if (which >= 4) {
        MainWindowProbe::click(boxes[which - 4]);
        return QStringLiteral("settings box");
    }
    QSlider *slider = sliders[which];
    // A disabled slider cannot be dragged.
    if (slider->isEnabled())
        slider->setValue(slider->minimum() + pick(slider->maximum() - slider->minimum() + 1));
    return QStringLiteral("slider");
}

QString UserActions::useServiceForm()
{
    ConfigForm &f = *run.link()->form;
    switch (pick(8)) {
    case 0:
        QTest::mouseClick(f.send, Qt::LeftButton);
        return QStringLiteral("service: send");
    case 1:
        QTest::mouseClick(f.read, Qt::LeftButton);
        return QStringLiteral("service: read");
    case 2:
        QTest::mouseClick(f.btn_dt, Qt::LeftButton);
        return QStringLiteral("service: set date");
    case 3:
        QTest::mouseClick(f.getDT, Qt::LeftButton);
        return QStringLiteral("service: read date");
    case 4:
        // Mostly the default mask; now and then a typed one, which may cut the line off until
        // the default is set again.
        if (pick(4) == 0 && !f.setCheck->isChecked())
            f.setLine->setText(QString::number(pick(256), 2));
        else if (!f.setCheck->isChecked())
            f.setCheck->click();
        QTest::mouseClick(f.set, Qt::LeftButton);
        return QStringLiteral("service: set pins");
    case 5:
        f.setCheck->click();
        return QStringLiteral("service: default box");
    case 6:
        f.comboBox->setCurrentIndex(pick(f.comboBox->count()));
        QTest::mouseClick(f.set_B, Qt::LeftButton);
        return QStringLiteral("service: baud rate");
    default:
        QTest::mouseClick(f.pushButton_3, Qt::LeftButton);
        return QStringLiteral("service: clear logs");
    }
}

QString UserActions::useAboutDialog()
{
    MainWindowForm &f = run.form();
    auto *about = run.window()->findChild<AboutDilog *>();
    if (!about->isVisible()) {
        f.action_3->trigger();
        return QStringLiteral("About: open");
    }
    if (pick(3) == 0) {
        // The service code, or a near miss; the service button then opens the service form.
        QTest::keyClicks(about, pick(2) == 0 ? QStringLiteral("604317") : QStringLiteral("60431"));
        if (f.pushButton_cfg->isVisible())
            QTest::mouseClick(f.pushButton_cfg, Qt::LeftButton);
        return QStringLiteral("About: service code");
    }
    about->accept();
    return QStringLiteral("About: close");
}
