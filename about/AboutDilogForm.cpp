#include "AboutDilogForm.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QSpacerItem>

void AboutDilogForm::setupForm(QDialog *dialog)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName("AboutDilog");
    dialog->resize(361, 146);
    gridLayout_2 = new QGridLayout(dialog);
    gridLayout_2->setObjectName("gridLayout_2");
    setupFrame(dialog);
    setupButtonRow(dialog);
    gridLayout_2->setRowStretch(0, 1);

    retranslateForm(dialog);

    QObject::connect(pushButton, &QPushButton::clicked, dialog, &QDialog::accept);
    // Binds _textLabel's linkActivated to the dialog's on__textLabel_linkActivated.
    QMetaObject::connectSlotsByName(dialog);
}

void AboutDilogForm::setupFrame(QDialog *dialog)
{
    frame = new QFrame(dialog);
    frame->setObjectName("frame");
    QFont font;
    font.setPointSize(8);
    frame->setFont(font);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);

    gridLayout = new QGridLayout(frame);
    gridLayout->setObjectName("gridLayout");
    _textLabel = new QLabel(frame);
    _textLabel->setObjectName("_textLabel");
    _textLabel->setTextFormat(Qt::RichText);
    _textLabel->setWordWrap(false);
    gridLayout->addWidget(_textLabel, 0, 0, 1, 1);
    gridLayout_2->addWidget(frame, 0, 0, 1, 1);
}

void AboutDilogForm::setupButtonRow(QDialog *dialog)
{
    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName("horizontalLayout");
    leftSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout->addItem(leftSpacer);
    pushButton = new QPushButton(dialog);
    pushButton->setObjectName("pushButton");
    horizontalLayout->addWidget(pushButton, 0);
    rightSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    horizontalLayout->addItem(rightSpacer);
    gridLayout_2->addLayout(horizontalLayout, 1, 0, 1, 1);
}

void AboutDilogForm::retranslateForm(QDialog *dialog)
{
    dialog->setWindowTitle(
        QCoreApplication::translate("AboutDilog", "О программе \"Конфигуратор Вирел-3\""));
    dialog->setToolTip(QCoreApplication::translate("AboutDilog", "About Programm dialog"));
    dialog->setWhatsThis(QCoreApplication::translate("AboutDilog", "About programm dialog"));
    _textLabel->setText(QCoreApplication::translate("AboutDilog", "TextLabel"));
    pushButton->setText(QCoreApplication::translate("AboutDilog", "Закрыть"));
}
