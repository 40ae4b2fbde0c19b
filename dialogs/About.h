// The about box with the versions of the viewer and its modules.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class ImageControl;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    ImageControl* Image1;
    QLabel* Label1;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label8;
    QPushButton* ButtonOk;

    void ButtonOkClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TAboutForm* AboutForm;
