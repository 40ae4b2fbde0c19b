// "操作と式の説明": the mouse actions and keys of the view, the expression language with an example for each
// kind of statement, and the colour presets. Opened from the help menu beside the quick help.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class OperationGuideWindow : public QWidget {
    Q_OBJECT
public:
    explicit OperationGuideWindow(QWidget* parent = nullptr);

    QPlainTextEdit* guideText;
    QPushButton* closeButton;
};

// The guide's text, one line per entry.
QString operationGuideText();
