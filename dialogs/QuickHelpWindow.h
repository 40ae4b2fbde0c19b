// The quick help window.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class QuickHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit QuickHelpWindow(QWidget* parent = nullptr);

    QWidget* textPanel;
    QPlainTextEdit* helpText;
    QWidget* buttonPanel;
    QPushButton* closeButton;

    void onCloseClicked();
};
