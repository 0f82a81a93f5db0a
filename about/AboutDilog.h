#pragma once

#include <QDialog>
#include <QString>

class AboutDilogForm;
class QKeyEvent;

class AboutDilog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDilog(QWidget *parent = nullptr);
    ~AboutDilog() override;

signals:
    void show_btn(bool);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void on__textLabel_linkActivated(QString link);

private:
    AboutDilogForm *form;
    QString typedText;
};
