#pragma once

class QDialog;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpacerItem;

// Pointers to the About dialog's widgets; the dialog owns them all.
class AboutDilogForm
{
public:
    QGridLayout *gridLayout_2 = nullptr;
    QFrame *frame = nullptr;
    QGridLayout *gridLayout = nullptr;
    QLabel *_textLabel = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QSpacerItem *leftSpacer = nullptr;
    QPushButton *pushButton = nullptr;
    QSpacerItem *rightSpacer = nullptr;

    void setupForm(QDialog *dialog);
    void retranslateForm(QDialog *dialog);

private:
    void setupFrame(QDialog *dialog);
    void setupButtonRow(QDialog *dialog);
};
