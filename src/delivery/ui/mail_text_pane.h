// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/operator_prompts.h"
#include "common/program_dir.h"
#include "delivery/mail_text.h"
#include "lists/guest_record.h"

#include <QString>
#include <QWidget>

#include <optional>

class FileDialogMemory;
class QLabel;
class QLineEdit;
class QTextEdit;

// The mail about to go out on the sending tab: subject, where it goes, the body,
// and the text the operator opened, with the file commands that load and save it.
class MailTextPane : public QWidget {
    Q_OBJECT
public:
    MailTextPane(const ProgramDir& dir, OperatorPrompts& prompts, FileDialogMemory& dialogs,
                 QWidget* parent = nullptr);

    void openText();
    void saveTextAs();
    void overwriteText();
    void openSendLog();

    QString subject() const;
    QString body() const;
    // The body as the operator wrote it, before a guest's name went in.
    QString unpersonalisedBody() const;
    void showSubject();
    void setClockText(const QString& text);
    void setRecipient(const QString& address);

    // A picked guest gets the opened text afresh (never the previous guest's copy);
    // the first pick of a text typed in the box keeps that text as it was.
    void personaliseFor(const std::optional<GuestRecord>& guest, bool firstPick);
    // After a target send: the text as before the guest's name, for the next pick.
    void resetForNextPick();
    void clearMail();
    // Forgets the opened text as well.
    void clearAll();

signals:
    void textOpened(const QString& path);
    // The operator deleted the whole body.
    void bodyEmptied();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool loadBody(const QString& path, TextOrigin origin);
    void writeBody(const QString& path);

    const ProgramDir& dir_;
    OperatorPrompts& prompts_;
    FileDialogMemory& dialogs_;
    QLabel* subjectLabel_ = nullptr;  // Label46
    QLineEdit* subjectBox_ = nullptr; // Text23
    QLineEdit* recipientBox_ = nullptr; // Text24
    QLabel* clockLabel_ = nullptr;    // Label3
    QTextEdit* body_ = nullptr;       // RichTextBox1
    QTextEdit* openedCopy_ = nullptr; // RichTextBox2
    QString openTextFile_;
    QString unpersonalised_; // what each pick personalises afresh
};
