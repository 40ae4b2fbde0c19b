#include "platform/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

Prompts* installedPrompts = nullptr;

QMessageBox::Icon iconOf(PromptKind kind) {
    switch (kind) {
        case PromptKind::Warning:
            return QMessageBox::Warning;
        case PromptKind::Error:
            return QMessageBox::Critical;
        case PromptKind::Question:
            return QMessageBox::Question;
        case PromptKind::Information:
        default:
            return QMessageBox::Information;
    }
}

}  // namespace

Prompts& Prompts::current() {
    static QtPrompts qtPrompts;
    return installedPrompts ? *installedPrompts : qtPrompts;
}

void Prompts::install(Prompts* prompts) {
    installedPrompts = prompts;
}

bool QtPrompts::askYesNo(const QString& text, const QString& caption, PromptKind kind) {
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::inform(const QString& text, const QString& caption, PromptKind kind) {
    QMessageBox box(iconOf(kind), caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QStringList QtPrompts::pickOpenFiles(const QString& caption, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), caption, folder, filter);
}

QString QtPrompts::pickSaveFile(const QString& caption, const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, QString(), filter);
}

QString QtPrompts::askText(const QString& label, const QString& caption) {
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setLabelText(label);
    box.setInputMode(QInputDialog::TextInput);
    box.setOkButtonText(QCoreApplication::translate("Prompts", "開く"));
    box.setCancelButtonText(QCoreApplication::translate("Prompts", "キャンセル"));
    box.resize(520, box.sizeHint().height());
    return box.exec() == QDialog::Accepted ? box.textValue().trimmed() : QString();
}

bool ScriptedPrompts::askYesNo(const QString& text, const QString& caption, PromptKind kind) {
    boxes.push_back({BoxType::YesNo, text, caption, kind});
    if (yesNoAnswers.empty()) return false;
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

void ScriptedPrompts::inform(const QString& text, const QString& caption, PromptKind kind) {
    boxes.push_back({BoxType::Message, text, caption, kind});
}

QStringList ScriptedPrompts::pickOpenFiles(const QString& caption, const QString& filter,
                                           const QString& folder) {
    boxes.push_back({BoxType::OpenFiles, filter, caption, PromptKind::Information, folder});
    if (openAnswers.empty()) return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::pickSaveFile(const QString& caption, const QString& filter) {
    boxes.push_back({BoxType::SaveFile, filter, caption, PromptKind::Information});
    if (saveAnswers.empty()) return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::askText(const QString& label, const QString& caption) {
    boxes.push_back({BoxType::Text, label, caption, PromptKind::Question});
    if (textAnswers.empty()) return {};
    QString answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
}
