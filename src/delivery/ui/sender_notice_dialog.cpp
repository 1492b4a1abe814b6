// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/sender_notice_dialog.h"

#include "smtp/mail_message.h"
#include "smtp/smtp_secret.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

namespace {

struct Box {
    const char16_t* name;
    const char16_t* label;
    QString SenderNotice::*field;
};
const std::array<Box, 5> kBoxes{{
    {u"senderName", u"送信者の氏名又は名称", &SenderNotice::name},
    {u"senderPostalAddress", u"住所", &SenderNotice::postalAddress},
    {u"senderContact", u"苦情・問合せ先（電話・メール・URL）", &SenderNotice::contact},
    {u"senderUnsubscribeAddress", u"受信拒否の連絡先（メールアドレス）", &SenderNotice::unsubscribeAddress},
    {u"senderUnsubscribeUrl", u"配信停止のページ（任意）", &SenderNotice::unsubscribeUrl},
}};

const QString kStoreTitle = QStringLiteral("　設定保存エラー　");

QLineEdit* mailboxBox(QFormLayout* form, const QString& name, const QString& label, const QString& text)
{
    auto* box = new QLineEdit(text, form->parentWidget());
    box->setObjectName(name);
    box->setAccessibleName(label);
    form->addRow(label, box);
    return box;
}

QCheckBox* mailboxSwitch(QFormLayout* form, const QString& name, const QString& label, bool on)
{
    auto* box = new QCheckBox(label, form->parentWidget());
    box->setObjectName(name);
    box->setChecked(on);
    form->addRow(box);
    return box;
}

} // namespace

SenderNoticeDialog::SenderNoticeDialog(QString programDir, OperatorPrompts& prompts, QWidget* parent)
    : QDialog(parent), programDir_(std::move(programDir)), prompts_(prompts)
{
    setWindowTitle(QStringLiteral("配信者情報"));
    auto* hint = new QLabel(QStringLiteral("広告・宣伝のメールには、送信者・住所・苦情の連絡先・受信拒否の連絡先の"
                                           "表示が法律で求められます。すべてのメールの末尾に入ります。"),
                            this);
    hint->setWordWrap(true);
    auto* form = new QFormLayout;
    const SenderNotice stored = readSenderNotice(programDir_).value_or(SenderNotice{});
    for (size_t i = 0; i < kBoxes.size(); ++i) {
        boxes_[i] = new QLineEdit(stored.*kBoxes[i].field, this);
        boxes_[i]->setObjectName(QString::fromUtf16(kBoxes[i].name));
        boxes_[i]->setAccessibleName(QString::fromUtf16(kBoxes[i].label));
        form->addRow(QString::fromUtf16(kBoxes[i].label), boxes_[i]);
    }
    storedMailbox_ = readMailboxSettings(programDir_).value_or(MailboxSettings{});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("保存"));
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("senderSaveButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(buildMailboxBoxes());
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SenderNoticeDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QGroupBox* SenderNoticeDialog::buildMailboxBoxes()
{
    const MailboxSettings& m = storedMailbox_;
    auto* group = new QGroupBox(QStringLiteral("受信箱（不達と配信停止の確認）"), this);
    auto* form = new QFormLayout(group);
    imapServer_ = mailboxBox(form, QStringLiteral("imapServer"), QStringLiteral("受信サーバー（ホスト:ポート）"), m.server);
    imapSecurity_ = new QComboBox(group);
    imapSecurity_->setObjectName(QStringLiteral("imapSecurity"));
    imapSecurity_->setAccessibleName(QStringLiteral("暗号化"));
    imapSecurity_->addItems({QStringLiteral("SSL/TLS"), QStringLiteral("STARTTLS"), QStringLiteral("なし（このコンピューター内のみ）")});
    imapSecurity_->setCurrentIndex(int(m.security));
    form->addRow(QStringLiteral("暗号化"), imapSecurity_);
    imapUser_ = mailboxBox(form, QStringLiteral("imapUser"), QStringLiteral("ユーザー名"), m.user);
    imapPassword_ = mailboxBox(form, QStringLiteral("imapPassword"), QStringLiteral("パスワード"), QString());
    imapPassword_->setEchoMode(QLineEdit::Password);
    imapPassword_->setPlaceholderText(m.configured() ? QStringLiteral("変更しないときは空のまま") : QString());
    imapPasswordInFile_ = mailboxSwitch(form, QStringLiteral("imapPasswordInFile"),
                                        QStringLiteral("自動送信用にパスワードをこのコンピューターのファイルに保存"),
                                        !m.password.isEmpty());
    imapOAuth_ = mailboxSwitch(form, QStringLiteral("imapOAuth"),
                               QStringLiteral("SMTP詳細設定のサインイン（OAuth 2.0）でログイン"), m.oauth);
    imapFolder_ = mailboxBox(form, QStringLiteral("imapFolder"), QStringLiteral("フォルダー"), m.folder);
    return group;
}

MailboxSettings SenderNoticeDialog::typedMailbox() const
{
    MailboxSettings m;
    m.server = imapServer_->text().trimmed();
    m.security = ImapSecurity(imapSecurity_->currentIndex());
    m.user = imapUser_->text().trimmed();
    m.oauth = imapOAuth_->isChecked();
    if (const QString folder = imapFolder_->text().trimmed(); !folder.isEmpty())
        m.folder = folder;
    if (!m.oauth && imapPasswordInFile_->isChecked())
        m.password = imapPassword_->text().isEmpty() ? storedMailbox_.password : imapPassword_->text();
    return m;
}

void SenderNoticeDialog::save()
{
    SenderNotice notice;
    for (size_t i = 0; i < kBoxes.size(); ++i)
        notice.*kBoxes[i].field = boxes_[i]->text().trimmed();
    const QString title = messageTitle(QStringLiteral("　入力エラー　"));
    if (!notice.unsubscribeAddress.isEmpty() && !isPlainMailAddress(notice.unsubscribeAddress))
        return prompts_.warn(title, QStringLiteral("受信拒否の連絡先は半角の「名前@ドメイン」で入れてください。"));
    const MailboxSettings mailbox = typedMailbox();
    if (mailbox.configured() && mailbox.user.isEmpty())
        return prompts_.warn(title, QStringLiteral("受信箱のユーザー名を入れてください。"));
    // A password typed, or one moving out of the file, goes to the secret store first.
    const QString secret = imapPassword_->text().isEmpty() ? storedMailbox_.password : imapPassword_->text();
    if (!mailbox.configured() || mailbox.oauth || !mailbox.password.isEmpty() || secret.isEmpty())
        return write(notice, mailbox);
    keepStoredPassword(QStringLiteral("imap:") + mailbox.user, secret, std::chrono::seconds(3), this,
                       [this, notice, mailbox](const Result<void>& kept) {
                           if (!kept)
                               return prompts_.warn(messageTitle(kStoreTitle),
                                                    QStringLiteral("受信箱のパスワードをパスワード保管場所に保存できません。"
                                                                   "ファイルへの保存を選んでください。\r\n")
                                                        + kept.error().message);
                           write(notice, mailbox);
                       });
}

void SenderNoticeDialog::write(const SenderNotice& notice, const MailboxSettings& mailbox)
{
    if (auto written = writeSenderFile(programDir_, notice, mailbox); !written)
        return prompts_.warn(messageTitle(kStoreTitle), written.error().message);
    accept();
}
