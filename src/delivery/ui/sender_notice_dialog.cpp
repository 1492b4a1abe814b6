// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/ui/sender_notice_dialog.h"

#include "smtp/mail_message.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("保存"));
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("senderSaveButton"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SenderNoticeDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void SenderNoticeDialog::save()
{
    SenderNotice notice;
    for (size_t i = 0; i < kBoxes.size(); ++i)
        notice.*kBoxes[i].field = boxes_[i]->text().trimmed();
    const QString title = messageTitle(QStringLiteral("　入力エラー　"));
    if (!notice.unsubscribeAddress.isEmpty() && !isPlainMailAddress(notice.unsubscribeAddress))
        return prompts_.warn(title, QStringLiteral("受信拒否の連絡先は半角の「名前@ドメイン」で入れてください。"));
    if (auto written = writeSenderNotice(programDir_, notice); !written)
        return prompts_.warn(messageTitle(QStringLiteral("　設定保存エラー　")), written.error().message);
    accept();
}
