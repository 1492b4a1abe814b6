// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/mail_text_pane.h"

#include "common/ui/named.h"
#include "common/text_field.h"
#include "delivery/personalise.h"
#include "delivery/ui/file_dialog_memory.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

const QString kTxt = QStringLiteral("*.txt");
const QString kLog = QStringLiteral("*.log");

QTextEdit* mailBox(const QString& name, const QString& accessibleName, QWidget* parent)
{
    auto* box = new QTextEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessibleName);
    box->setAcceptRichText(false);
    box->setTabChangesFocus(true);
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::Monospace);
    box->setFont(font);
    return box;
}

QLineEdit* labelledBox(const QString& name, QLabel* label, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(label->text());
    label->setBuddy(box);
    return box;
}

} // namespace

MailTextPane::MailTextPane(const ProgramDir& dir, OperatorPrompts& prompts, FileDialogMemory& dialogs,
                           QWidget* parent)
    : QWidget(parent), dir_(dir), prompts_(prompts), dialogs_(dialogs)
{
    subjectLabel_ = named<QLabel>(QStringLiteral("Label46"), QStringLiteral("件名"), this);
    auto* label47 = named<QLabel>(QStringLiteral("Label47"), QStringLiteral("宛先"), this);
    subjectBox_ = labelledBox(QStringLiteral("Text23"), subjectLabel_, this);
    recipientBox_ = labelledBox(QStringLiteral("Text24"), label47, this);
    // The address comes from the guest's record: the mail goes where the record says.
    recipientBox_->setReadOnly(true);
    clockLabel_ = named<QLabel>(QStringLiteral("Label3"), QString(), this);
    clockLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    body_ = mailBox(QStringLiteral("RichTextBox1"), QStringLiteral("本文"), this);
    openedCopy_ = mailBox(QStringLiteral("RichTextBox2"), QStringLiteral("開いたテキスト"), this);
    openedCopy_->setReadOnly(true);
    openedCopy_->setMaximumHeight(80);
    body_->installEventFilter(this);

    auto* heads = new QGridLayout;
    heads->addWidget(subjectLabel_, 0, 0);
    heads->addWidget(subjectBox_, 0, 1);
    heads->addWidget(clockLabel_, 0, 2);
    heads->addWidget(label47, 1, 0);
    heads->addWidget(recipientBox_, 1, 1, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(heads);
    layout->addWidget(body_, 1);
    layout->addWidget(openedCopy_);
}

void MailTextPane::openText()
{
    const QString path = dialogs_.openFile(dir_.textDir(), kTxt, kTxt);
    if (path.isEmpty() || !loadBody(path, TextOrigin::Operator))
        return;
    openedCopy_->setPlainText(body());
    openTextFile_ = path;
    unpersonalised_ = body();
    emit textOpened(path);
}

void MailTextPane::saveTextAs()
{
    const QString path = dialogs_.saveFile(QString(), kTxt, kTxt);
    if (!path.isEmpty())
        writeBody(path);
}

void MailTextPane::overwriteText()
{
    if (dialogs_.lastPath().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　保存エラー　")),
                      QStringLiteral("上書きするファイルがありません　「名前を付けて保存」で保存してください"));
        return;
    }
    writeBody(dialogs_.lastPath());
}

void MailTextPane::openSendLog()
{
    const QString path = dialogs_.openFile(dir_.logDir(), kLog, kLog);
    if (!path.isEmpty())
        loadBody(path, TextOrigin::Program);
}

QString MailTextPane::subject() const { return subjectBox_->text(); }
QString MailTextPane::body() const { return body_->toPlainText(); }
QString MailTextPane::unpersonalisedBody() const { return unpersonalised_.isEmpty() ? body() : unpersonalised_; }

void MailTextPane::showSubject()
{
    subjectLabel_->show();
    subjectBox_->show();
}

void MailTextPane::setClockText(const QString& text) { clockLabel_->setText(text); }
void MailTextPane::setRecipient(const QString& address) { recipientBox_->setText(address); }

void MailTextPane::personaliseFor(const std::optional<GuestRecord>& guest, bool firstPick)
{
    if (!openTextFile_.isEmpty() && loadBody(openTextFile_, TextOrigin::Operator))
        unpersonalised_ = body();
    else if (firstPick)
        unpersonalised_ = body();
    recipientBox_->setText(guest ? mailAddressOf(*guest) : QString());
    body_->setPlainText(guest ? personalise(unpersonalised_, trimRight(guest->fName), guest->keisyou)
                              : unpersonalised_);
}

void MailTextPane::resetForNextPick()
{
    subjectBox_->clear();
    recipientBox_->clear();
    body_->setPlainText(unpersonalised_);
}

void MailTextPane::clearMail()
{
    subjectBox_->clear();
    recipientBox_->clear();
    body_->clear();
}

void MailTextPane::clearAll()
{
    clearMail();
    openedCopy_->clear();
    openTextFile_.clear();
    unpersonalised_.clear();
}

bool MailTextPane::loadBody(const QString& path, TextOrigin origin)
{
    auto text = readMailText(path, origin);
    if (!text) {
        prompts_.warn(messageTitle(QStringLiteral("　読込エラー　")), text.error().message);
        return false;
    }
    body_->setPlainText(*text);
    return true;
}

void MailTextPane::writeBody(const QString& path)
{
    if (auto written = writeMailText(path, body()); !written)
        prompts_.warn(messageTitle(QStringLiteral("　保存エラー　")), written.error().message);
}

bool MailTextPane::eventFilter(QObject* watched, QEvent* event)
{
    // Tab leaves the body as everywhere else; Ctrl+Tab puts a tab in (before the tab strip takes it).
    if (watched == body_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::ControlModifier) {
            if (event->type() == QEvent::KeyPress)
                body_->insertPlainText(QStringLiteral("\t"));
            event->accept();
            return event->type() == QEvent::KeyPress;
        }
    }
    if (watched == body_ && event->type() == QEvent::KeyRelease
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && body().isEmpty())
        emit bodyEmptied();
    return QWidget::eventFilter(watched, event);
}
