// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_operator_prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>


namespace {

QMessageBox::Icon toIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Warning:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
    case PromptButtons::YesNoDefaultNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

PromptAnswer toAnswer(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Ok;
    }
}

// The dialog opens in dir with the pattern as its filter; "*.lst" names no file.
QString startPath(const QString& dir, const QString& fileName)
{
    return fileName.contains(u'*') ? dir : QDir(dir).filePath(fileName);
}

} // namespace

PromptAnswer QtOperatorPrompts::message(const QString& title, const QString& text, PromptIcon icon,
                                        PromptButtons buttons)
{
    QMessageBox box(toIcon(icon), title, text, toButtons(buttons), QApplication::activeWindow());
    if (buttons == PromptButtons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    return toAnswer(box.exec());
}

QString QtOperatorPrompts::openFile(const QString& dir, const QString& fileName, const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), startPath(dir, fileName), filter);
}

QString QtOperatorPrompts::saveFile(const QString& dir, const QString& fileName, const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), startPath(dir, fileName), filter);
}

