#pragma once

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QWidget;

// Pointers to the service form's widgets; the link widget owns them all.
class ConfigForm
{
public:
    QGridLayout *gridLayout = nullptr;
    QLabel *label = nullptr;
    QLineEdit *setLine = nullptr;
    QPushButton *set = nullptr;
    QLabel *label_2 = nullptr;
    QPushButton *set_B = nullptr;
    QCheckBox *setCheck = nullptr;
    QComboBox *comboBox = nullptr;
    QTextEdit *textEdit = nullptr;
    QPushButton *send = nullptr;
    QPushButton *read = nullptr;
    QTextEdit *sendText = nullptr;
    QPushButton *pushButton_3 = nullptr;
    QCheckBox *hand = nullptr;
    QPushButton *pushButton = nullptr;
    QPushButton *pushButton_2 = nullptr;
    QPushButton *btn_dt = nullptr;
    QLineEdit *lineEdit = nullptr;
    QPushButton *getDT = nullptr;

    void setupForm(QWidget *form);
    void retranslateForm(QWidget *form);

private:
    void setupPortRows(QWidget *form);
    void setupCommandRows(QWidget *form);
};
