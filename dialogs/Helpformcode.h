// The quick help window.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class THelpForm : public QWidget {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);

    QWidget* Panel1;
    QPlainTextEdit* Memo1;
    QWidget* Panel2;
    QPushButton* Button1;

    void Button1Click();
};

extern THelpForm* HelpForm;
