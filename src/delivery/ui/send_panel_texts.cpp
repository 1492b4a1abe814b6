// SPDX-License-Identifier: GPL-3.0-or-later
// The mail texts the operator opens and saves in the body box, and the send-log viewer.
#include "delivery/ui/send_panel.h"

#include "delivery/mail_text.h"
#include "delivery/ui/file_dialog_memory.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextEdit>

namespace {

const QString kTxt = QStringLiteral("*.txt");
const QString kLog = QStringLiteral("*.log");

} // namespace

void SendPanel::openText()
{
    const QString path = dialogs_.openFile(dir_.textDir(), kTxt, kTxt);
    if (path.isEmpty() || !loadBody(path, TextOrigin::Operator))
        return;
    openedCopy_->setPlainText(bodyText());
    openTextFile_ = path;
    unpersonalisedText_ = bodyText();
    if (!scrambleButton_->isHidden()) {
        scrambleTextFile_ = path;
        scrambleButton_->setEnabled(true);
    }
}

void SendPanel::saveTextAs()
{
    const QString path = dialogs_.saveFile(QString(), kTxt, kTxt);
    if (!path.isEmpty())
        writeBody(path);
}

void SendPanel::overwriteText()
{
    if (dialogs_.lastPath().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　保存エラー　")),
                      QStringLiteral("上書きするファイルがありません　「名前を付けて保存」で保存してください"));
        return;
    }
    writeBody(dialogs_.lastPath());
}

void SendPanel::openSendLog()
{
    const QString path = dialogs_.openFile(dir_.logDir(), kLog, kLog);
    if (!path.isEmpty())
        loadBody(path, TextOrigin::Program);
}

bool SendPanel::loadBody(const QString& path, TextOrigin origin)
{
    auto text = readMailText(path, origin);
    if (!text) {
        prompts_.warn(messageTitle(QStringLiteral("　読込エラー　")), text.error().message);
        return false;
    }
    setBodyText(*text);
    return true;
}

void SendPanel::writeBody(const QString& path)
{
    if (auto written = writeMailText(path, bodyText()); !written)
        prompts_.warn(messageTitle(QStringLiteral("　保存エラー　")), written.error().message);
}

void SendPanel::warnList(const Error& error)
{
    prompts_.warn(messageTitle(QStringLiteral("　リスト読込エラー　")), error.message);
}

QString SendPanel::bodyText() const { return body_->toPlainText(); }
void SendPanel::setBodyText(const QString& text) { body_->setPlainText(text); }

bool SendPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == body_ && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && bodyText().isEmpty())
        scrambleButton_->setEnabled(false);
    return QWidget::eventFilter(watched, event);
}
