#include "ConfigForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTextEdit>
#include <QWidget>

namespace {

template<typename Widget>
Widget *addCell(QGridLayout *grid, QWidget *form, const char *name, int row, int column,
    int rowSpan, int columnSpan)
{
    auto *widget = new Widget(form);
    widget->setObjectName(name);
    grid->addWidget(widget, row, column, rowSpan, columnSpan);
    return widget;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("config", text);
}

} // namespace

void ConfigForm::setupForm(QWidget *form)
{
    if (form->objectName().isEmpty())
        form->setObjectName("config");
    form->resize(537, 409);
    gridLayout = new QGridLayout(form);
    gridLayout->setObjectName("gridLayout");
    setupPortRows(form);
    setupCommandRows(form);
    send->setEnabled(false);
    read->setEnabled(false);

    retranslateForm(form);

    comboBox->setCurrentIndex(2);
    QMetaObject::connectSlotsByName(form);
}

void ConfigForm::setupPortRows(QWidget *form)
{
    label = addCell<QLabel>(gridLayout, form, "label", 0, 0, 1, 3);
    setLine = addCell<QLineEdit>(gridLayout, form, "setLine", 0, 3, 1, 2);
    set = addCell<QPushButton>(gridLayout, form, "set", 0, 5, 1, 1);
    label_2 = addCell<QLabel>(gridLayout, form, "label_2", 1, 0, 1, 1);
    set_B = addCell<QPushButton>(gridLayout, form, "set_B", 1, 1, 2, 1);
    setCheck = addCell<QCheckBox>(gridLayout, form, "setCheck", 1, 3, 1, 2);
    comboBox = addCell<QComboBox>(gridLayout, form, "comboBox", 2, 0, 1, 1);
}

void ConfigForm::setupCommandRows(QWidget *form)
{
    textEdit = addCell<QTextEdit>(gridLayout, form, "textEdit", 3, 0, 6, 2);
    send = addCell<QPushButton>(gridLayout, form, "send", 3, 2, 1, 3);
    read = addCell<QPushButton>(gridLayout, form, "read", 4, 2, 1, 3);
    sendText = addCell<QTextEdit>(gridLayout, form, "sendText", 5, 2, 1, 4);
    pushButton_3 = addCell<QPushButton>(gridLayout, form, "pushButton_3", 6, 2, 1, 2);
    hand = addCell<QCheckBox>(gridLayout, form, "hand", 7, 2, 1, 3);
    pushButton = addCell<QPushButton>(gridLayout, form, "pushButton", 8, 2, 1, 2);
    pushButton_2 = addCell<QPushButton>(gridLayout, form, "pushButton_2", 8, 4, 1, 1);
    btn_dt = addCell<QPushButton>(gridLayout, form, "btn_dt", 6, 5, 1, 1);
    lineEdit = addCell<QLineEdit>(gridLayout, form, "lineEdit", 2, 3, 1, 2);
    getDT = addCell<QPushButton>(gridLayout, form, "getDT", 6, 4, 1, 1);
}

void ConfigForm::retranslateForm(QWidget *form)
{
    form->setWindowTitle(tr("Form"));
    label->setText(tr("Конфигурация портов (0 - out, 1 - in )"));
    set->setText(tr("set"));
    label_2->setText(tr("Set baud rate"));
    set_B->setText(tr("set Baud"));
    setCheck->setText(tr("default"));
    comboBox->clear();
    comboBox->insertItems(0, {tr("100"), tr("200"), tr("300"), tr("500"), tr("1000"), tr("9600")});
    send->setText(tr("send config"));
    read->setText(tr("read (conf)"));
    pushButton_3->setText(tr("CLRSCR"));
    hand->setText(tr("HandShake"));
    pushButton->setText(tr("ok"));
    pushButton_2->setText(tr("cancel"));
    btn_dt->setText(tr("dt"));
    getDT->setText(tr("GET dt"));
}
