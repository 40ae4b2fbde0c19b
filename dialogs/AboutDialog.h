// The about box with the versions of the viewer and its modules.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class ImageControl;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    ImageControl* iconView;
    QLabel* viewerVersionLabel;
    QLabel* ecalcVersionLabel;
    QLabel* tifrecVersionLabel;
    QLabel* remosVersionLabel;
    QLabel* econfVersionLabel;
    QPushButton* okButton;

    void onOkClicked();

protected:
    void showEvent(QShowEvent* event) override;
};
